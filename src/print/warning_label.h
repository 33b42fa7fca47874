#pragma once

#include <QString>

namespace kvsys {

// The calling window's warning line, where the drawing says that a certificate ran past its
// sheet. A window's label implements it; tools and tests use PlainWarningLabel.
class WarningLabel {
 public:
  virtual ~WarningLabel() = default;
  virtual void SetWarningVisible(bool visible) = 0;
  virtual void SetWarningCaption(const QString& caption) = 0;
};

// A warning line without a window.
class PlainWarningLabel : public WarningLabel {
 public:
  void SetWarningVisible(bool visible) override { visible_ = visible; }
  void SetWarningCaption(const QString& caption) override { caption_ = caption; }
  bool visible() const { return visible_; }
  const QString& caption() const { return caption_; }

 private:
  bool visible_ = false;
  QString caption_;
};

}  // namespace kvsys
