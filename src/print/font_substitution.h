#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace kvsys {

inline const QString kIpaMincho = QStringLiteral("IPAMincho");
inline const QString kIpaPMincho = QStringLiteral("IPAPMincho");
inline const QString kIpaGothic = QStringLiteral("IPAGothic");
inline const QString kIpaPGothic = QStringLiteral("IPAPGothic");

// The installed family that draws a stored face name. Windows Japanese faces ("ＭＳ 明朝",
// "MS PGothic", ...) are matched whatever the width of their letters and blanks and go to the
// IPA fonts, proportional faces to the proportional IPA fonts; a face installed here is used
// as it is; anything else falls back to IPA Mincho.
QString SubstituteFontFamily(const QString& face);

// The font that measures and draws a text run. Its pixel size is the point size in twips, so
// it measures in document units and scales with any painter transform, whatever the device
// resolution. Hinting is off so that widths do not depend on the device either.
// Bold is only asked of a family that has a bold style. The font engine's own emboldening
// of the others is lost on large glyphs (a 37 pt name on a printer), so for them the font
// comes back with bold off and the renderer thickens the outlines itself.
QFont CertificateFont(const QString& face, double size_pt, bool bold, bool italic);

// The installed families as the font lists offer them: the foundry tag that tells two families
// of one name apart ("C059 [UKWN]") dropped, each name once, in the order given.
QStringList PlainFontFamilies(const QStringList& families);

// What a font list offers when stored_face is chosen: the fonts, and before them the stored
// face when it is not among them (a Windows face such as "ＭＳ　明朝", drawn through its
// substitute), so that the list shows the face as it stands.
QStringList FontChoices(const QStringList& fonts, const QString& stored_face);

// Whether an installed family has a real bold style.
bool HasBoldStyle(const QString& family);

}  // namespace kvsys
