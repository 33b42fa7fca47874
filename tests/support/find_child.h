#pragma once

// Controls of a window found by their objectName, as the window's tests reach them.

#include <QList>
#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace kvsys::test {

// Raised for a control that is not there, or not once. Google Test reports it as the test's
// failure with both names, where a null pointer would crash the test program.
class MissingControl : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The one W named name among the children of parent, at any depth.
template <class W>
W* Child(const QObject& parent, const char* name) {
  const QList<W*> found = parent.findChildren<W*>(QString::fromLatin1(name));
  if (found.size() == 1) return found.front();
  throw MissingControl(std::to_string(found.size()) + " " + W::staticMetaObject.className() +
                       " named \"" + name + "\" in " + parent.metaObject()->className() + " \"" +
                       parent.objectName().toStdString() + "\" (expected one)");
}

template <class W>
W* Child(const QObject* parent, const char* name) {
  if (!parent) {
    throw MissingControl(std::string("no window to look for \"") + name + "\" in");
  }
  return Child<W>(*parent, name);
}

}  // namespace kvsys::test
