#pragma once

#include <QString>

namespace kvsys {

inline const QString kKvsselCaption =
    QStringLiteral("賞状印刷システム ［競 泳］ Ver.2.21（競泳Ver5.0対応版）");
inline const QString kKvs00Caption =
    QStringLiteral("賞状印刷システム ［競 泳]  Ver.2.21（競泳Ver5.0対応版）");
inline const QString kKvsmenuCaption =
    QStringLiteral("賞状印刷 ［競 泳]  Ver.2.21 （競泳Ver5.0対応版）メインメニュー");
inline const QString kMeetSelectionTitle = QStringLiteral("大会選択");

}  // namespace kvsys
