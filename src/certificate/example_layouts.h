#pragma once

#include <QString>

#include "layout/certificate_layout.h"
#include "layout/layout_settings.h"

namespace kvsys {

class LayoutStore;
struct MeetSettings;

inline const QString kStandardExampleName = QStringLiteral("標準");
inline const QString kVerticalExampleName = QStringLiteral("縦書き");

// The standard example's print settings: a new layout's for the meet, with the edition split
// off the meet's name ("第40回" and the rest); no edition when the name has none.
LayoutSettings StandardExampleSettings(const MeetSettings& meet);
// Its fonts and positions: a new layout's, with the name a little smaller and further left so
// that kExampleNameChars full-width characters stand before the honorific.
CertificateLayout StandardExampleLayout();
inline constexpr int kExampleNameChars = 8;

// Fonts, sizes, positions and show flags of the vertical example: "@" faces, on B4, read
// right to left: the title, the event's columns, the swimmer, the body, the date, the meet
// and the presenter.
CertificateLayout VerticalExampleLayout();
// Its print settings: the standard example's, the title spaced out and the date's digits full
// width, as they stand upright in a column.
LayoutSettings VerticalExampleSettings(const MeetSettings& meet);

// Saves the standard example and the vertical example, each unless a
// layout of its name is saved already, and decides the layout named decide (the standard one
// when decide is empty and none is decided yet). False when a write failed (the store has
// shown why) or no layout has the name decide.
bool AddExampleLayouts(LayoutStore& store, const MeetSettings& meet,
                       const QString& decide = QString());

}  // namespace kvsys
