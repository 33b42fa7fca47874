#include "db/jet_reader.h"

#include "db/jet_file.h"

namespace kvsys {

void ReadJetDatabase(const QString& path, sqlite3* target) {
  LoadJetFile(path, target);
}

}  // namespace kvsys
