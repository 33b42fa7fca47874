#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include "print/document_output.h"
#include "print/print_document.h"

namespace kvsys::test {

// Bounding box of the dark pixels of an image within region (empty when there are none).
inline QRect InkBox(const QImage& image, const QRect& region) {
  QRect box;
  const QRect r = region.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 160) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

inline TextRun TextAt(int x, int y, const QString& text, double size = 10,
                      const QString& font = QStringLiteral("ＭＳ 明朝")) {
  TextRun r;
  r.x = x;
  r.y = y;
  r.font = font;
  r.size = size;
  r.text = text;
  return r;
}

// Records what a surface hands over, and can be told to refuse.
class RecordingOutput : public DocumentOutput {
 public:
  bool Ready(QString* error) override {
    ++ready_calls;
    if (!ready && error) *error = QStringLiteral("準備できません");
    return ready;
  }
  bool Write(const PrintDocument& doc, QString* error) override {
    if (!write_ok) {
      if (error) *error = QStringLiteral("書けません");
      return false;
    }
    written.push_back(doc);
    return true;
  }
  bool ready = true;
  bool write_ok = true;
  int ready_calls = 0;
  std::vector<PrintDocument> written;
};

}  // namespace kvsys::test
