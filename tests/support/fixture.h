#pragma once

// The files of tests/fixtures/jet. Tests read them from the source tree only, so a plain clone
// passes its tests.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace kvsys::test {

// Raised for a fixture that is not there. Google Test reports it as the test's failure, naming
// the file, where reading on with an empty file would fail obscurely or crash.
class MissingFixture : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The path of tests/fixtures/jet/<name>; raises MissingFixture when the file is missing.
QString FixturePath(const QString& name);
// The fixture's bytes; raises MissingFixture when it cannot be read.
QByteArray ReadFixture(const QString& name);
// The fixture's text (UTF-8).
QString FixtureText(const QString& name);

}  // namespace kvsys::test
