#pragma once

// The records a print list or history of a test world works with (header-only: the award
// desk's tests and those above it use it).
#include <QString>
#include <QStringList>

#include "desk/print_list_session.h"
#include "support/print_run_world.h"

namespace kvsys::test {

inline PrintListRecords ListRecords(PrintRunWorld& w, const MeetSettings& meet,
                                    const QString& ini_path, QStringList fonts = {},
                                    int meet_no = 0) {
  return PrintListRecords{w.state,      w.layout_db, w.results_db, w.options,        meet, w.layout,
                          w.recipients, ini_path,    w.folder(),   std::move(fonts), {},   meet_no};
}

}  // namespace kvsys::test
