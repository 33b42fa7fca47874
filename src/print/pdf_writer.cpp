#include "print/pdf_writer.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "common/text_util.h"
#include "print/cff_subset.h"
#include "print/deflate_pieces.h"
#include "print/font_substitution.h"
#include "print/glyph_plan.h"
#include "print/paper.h"
#include "print/truetype_subset.h"
#include "print/vertical_text.h"

namespace kvsys {

namespace {

// Shaped texts kept between documents: far more than the texts of one run's layout.
constexpr qsizetype kMaxShapedTexts = 4096;
constexpr double kPointsPerTwip = 1.0 / kTwipsPerPoint;

// A number for a content stream: at most two decimals, no exponent, never "-0".
void AppendNumber(QByteArray& out, double v) {
  if (!std::isfinite(v)) v = 0;
  long long n = std::llround(v * 100);
  // Written in a buffer of its own: pages hold thousands of numbers.
  char digits[32];
  char* end = digits;
  if (n < 0) {
    *end++ = '-';
    n = -n;
  }
  end = std::to_chars(end, digits + sizeof digits, n / 100).ptr;
  const int cents = static_cast<int>(n % 100);
  if (cents) {
    *end++ = '.';
    *end++ = static_cast<char>('0' + cents / 10);
    if (cents % 10) *end++ = static_cast<char>('0' + cents % 10);
  }
  out.append(digits, end - digits);
}

QByteArray& operator<<(QByteArray& out, double v) {
  AppendNumber(out, v);
  return out.append(' ');
}

void AppendHex4(QByteArray& out, quint32 v) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out.append(kDigits[(v >> shift) & 0xF]);
}

// The characters as the UTF-16 hex that ToUnicode maps and text strings take.
void AppendUtf16Hex(QByteArray& out, const QString& text) {
  for (QChar c : text) AppendHex4(out, c.unicode());
}

// One face of a font file, read once per writer: TrueType outlines, or else CFF ones. The
// outlines and the name never change once read; what the face learns of its glyphs' texts
// only under the writer's `fonts` lock.
struct Face {
  TrueTypeSubsetter outlines;
  CffSubsetter cff;
  bool usable = false;
  bool is_cff = false;
  QByteArray name;                  // the PostScript-safe part of the font's PDF name
  QHash<quint32, QString> text_of;  // glyph -> the characters it shows, for copying text out
  QSet<char32_t> looked_up;
  QSet<char32_t> looked_up_vertical;
  // Each glyph compressed the first time a file shows it (node-based: streams point into it).
  // Files are ended on any thread: only under the writer's `ending` lock.
  std::unordered_map<quint32, DeflatedPiece> packed;

  int UnitsPerEm() const {
    return std::max(is_cff ? cff.units_per_em() : outlines.units_per_em(), 1);
  }
  int Ascent() const { return is_cff ? cff.ascent() : outlines.ascent(); }
  int Descent() const { return is_cff ? cff.descent() : outlines.descent(); }
  const int* Box() const { return is_cff ? cff.bbox() : outlines.bbox(); }
  // Advance in thousandths of an em, as the file's width table states it.
  int Width(quint32 glyph) const {
    const int advance = is_cff ? cff.Advance(glyph) : outlines.Advance(glyph);
    return static_cast<int>(std::lround(advance * 1000.0 / UnitsPerEm()));
  }
};

// A piece of a text's plan and the face of this writer that shows it.
struct Piece {
  int face = -1;
  Face* shown_by = nullptr;
  GlyphPiece glyphs;
};

struct Shaped {
  bool ok = false;
  std::vector<Piece> pieces;
};

// What one document uses of a face: its glyphs in the order of their numbers in the file.
struct UsedFace {
  Face* face = nullptr;
  std::vector<quint32> glyphs{0};  // .notdef first, as fonts have it
  QHash<quint32, quint32> cid{{0, 0}};

  quint32 Cid(quint32 glyph) {
    auto it = cid.find(glyph);
    if (it != cid.end()) return it.value();
    const auto n = static_cast<quint32>(glyphs.size());
    glyphs.push_back(glyph);
    cid.insert(glyph, n);
    return n;
  }
};

QByteArray PdfName(const QRawFont& raw) {
  QByteArray name;
  const QString full = raw.styleName().isEmpty() || raw.styleName() == QLatin1String("Regular")
                           ? raw.familyName()
                           : raw.familyName() + QLatin1Char('-') + raw.styleName();
  for (QChar c : full) {
    if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
        (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')) {
      name.append(static_cast<char>(c.unicode()));
    }
  }
  return name.isEmpty() ? QByteArray("Font") : name;
}

// What each of the first shown glyphs of a subset shows, as far as the face has learnt it:
// the glyph's number in the subset and its characters. Under the writer's `fonts`, which the
// drawing thread waits for: only looked up here, the map is made after.
using GlyphTexts = std::vector<std::pair<quint32, QString>>;
GlyphTexts TextsOf(const Face& face, const std::vector<quint32>& glyphs, size_t shown) {
  GlyphTexts texts;
  for (size_t cid = 1; cid < shown; ++cid) {
    const auto it = face.text_of.constFind(glyphs[cid]);
    if (it != face.text_of.constEnd()) texts.emplace_back(static_cast<quint32>(cid), it.value());
  }
  return texts;
}

// The ToUnicode CMap of a subset.
QByteArray ToUnicodeMap(const GlyphTexts& texts) {
  QByteArray map(
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n");
  for (size_t i = 0; i < texts.size(); i += 100) {  // at most 100 entries a block
    const size_t end = std::min(texts.size(), i + 100);
    map.append(QByteArray::number(static_cast<qulonglong>(end - i))).append(" beginbfchar\n");
    for (size_t j = i; j < end; ++j) {
      map.append('<');
      AppendHex4(map, texts[j].first);
      map.append("> <");
      AppendUtf16Hex(map, texts[j].second);
      map.append(">\n");
    }
    map.append("endbfchar\n");
  }
  map.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
  return map;
}

// The file being written: its bytes go to the sink a piece at a time, and where each object
// begins is kept for the cross-reference table at its end.
class PdfFile {
 public:
  using Sink = std::function<bool(const QByteArray&)>;
  explicit PdfFile(Sink sink) : sink_(std::move(sink)), offsets_(1, 0) {
    out_.reserve(kFlushBytes + 64 * 1024);
    out_.append("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  }
  // A number for an object written later.
  int Reserve() {
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size()) - 1;
  }
  // Object n begins here; what it holds is appended to the bytes returned.
  QByteArray& Begin(int n) {
    offsets_[static_cast<size_t>(n)] = flushed_ + out_.size();
    return out_.append(QByteArray::number(n)).append(" 0 obj\n");
  }
  static QByteArray Ref(int n) { return QByteArray::number(n) + " 0 R"; }
  void Stream(int n, const QByteArray& data, const QByteArray& extra) {
    Begin(n).append("<< /Length ").append(QByteArray::number(data.size()));
    out_.append(" /Filter /FlateDecode").append(extra).append(" >>\nstream\n");
    out_.append(data).append("\nendstream\nendobj\n");
  }
  // What is written so far goes to the sink once there is enough of it (or now).
  bool Flush(bool now = false) {
    if (out_.isEmpty() || (!now && out_.size() < kFlushBytes)) return ok_;
    if (ok_) ok_ = sink_(out_);
    flushed_ += out_.size();
    out_.clear();
    return ok_;
  }
  // The cross-reference table and the trailer: the file is whole.
  bool Close(int root, int info) {
    const qsizetype xref = flushed_ + out_.size();
    const int objects = static_cast<int>(offsets_.size());
    out_.append("xref\n0 ").append(QByteArray::number(objects)).append("\n0000000000 65535 f \n");
    for (int i = 1; i < objects; ++i) {
      out_.append(QByteArray::number(offsets_[static_cast<size_t>(i)]).rightJustified(10, '0'));
      out_.append(" 00000 n \n");
    }
    out_.append("trailer\n<< /Size ").append(QByteArray::number(objects));
    out_.append(" /Root ").append(Ref(root)).append(" /Info ").append(Ref(info));
    out_.append(" >>\nstartxref\n").append(QByteArray::number(xref)).append("\n%%EOF\n");
    return Flush(true);
  }

 private:
  static constexpr qsizetype kFlushBytes = 256 * 1024;
  Sink sink_;
  QByteArray out_;
  qsizetype flushed_ = 0;
  bool ok_ = true;
  std::vector<qsizetype> offsets_;  // by object number; 0 is the free entry
};

// The compressed subset of the face showing glyphs (components are appended to them), and
// its size before compression; empty on failure. The tables before the glyphs are this
// file's own and go stored; a glyph copied as it is was compressed when a file first showed it.
QByteArray PackFont(Face& face, std::vector<quint32>& glyphs, qsizetype* size, Deflater& deflater) {
  std::vector<TrueTypeSubsetter::GlyphSpan> spans;
  const QByteArray font = face.outlines.Subset(glyphs, &spans);
  if (font.isEmpty()) return {};
  *size = font.size();
  std::vector<DeflatedPiece> fresh;
  fresh.reserve(spans.size() + 1);  // the pieces point into it
  std::vector<const DeflatedPiece*> pieces;
  const qsizetype glyphs_at = spans.empty() ? font.size() : spans.front().offset;
  pieces.push_back(&fresh.emplace_back(Deflater::Stored(font.constData(), glyphs_at)));
  for (const TrueTypeSubsetter::GlyphSpan& span : spans) {
    const char* data = font.constData() + span.offset;
    if (!span.as_is) {
      pieces.push_back(&fresh.emplace_back(deflater.Piece(data, span.size)));
      continue;
    }
    auto it = face.packed.find(span.original);
    if (it == face.packed.end()) {
      it = face.packed.emplace(span.original, deflater.Piece(data, span.size)).first;
    }
    pieces.push_back(&it->second);
  }
  return Deflater::Join(pieces);
}

// The five objects of a used face from object n: the font, its CID font, its descriptor, its
// subset's outlines and its ToUnicode map (made before the subset adds components; stored, as
// every file has its own). False when the subset or the map failed.
bool WriteFace(PdfFile& file, int n, Face& face, UsedFace& u, const QByteArray& to_unicode,
               Deflater& deflater) {
  qsizetype font_size = 0;
  // A TrueType subset may add the components of composite glyphs; a CFF one has none.
  QByteArray packed_font;
  if (!face.is_cff) {
    packed_font = PackFont(face, u.glyphs, &font_size, deflater);
  } else if (const QByteArray cff = face.cff.Subset(u.glyphs); !cff.isEmpty()) {
    packed_font = deflater.Stream(cff);
  }
  if (packed_font.isEmpty()) return false;
  // Six letters that tell this subset from others of the face, the same in every run (Qt's
  // hashes are seeded per process), so a certificate's file is the same each time.
  QByteArray name;
  quint64 h = 14695981039346656037ULL;
  for (quint32 g : u.glyphs) h = (h ^ g) * 1099511628211ULL;
  for (int i = 0; i < 6; ++i, h /= 26) name.append(static_cast<char>('A' + h % 26));
  name.append('+').append(face.name);
  const double per_unit = 1000.0 / face.UnitsPerEm();

  file.Begin(n)
      .append("<< /Type /Font /Subtype /Type0 /BaseFont /")
      .append(name)
      .append(" /Encoding /Identity-H /DescendantFonts [")
      .append(PdfFile::Ref(n + 1))
      .append("] /ToUnicode ")
      .append(PdfFile::Ref(n + 4))
      .append(" >>\nendobj\n");
  QByteArray& cid = file.Begin(n + 1);
  cid.append(face.is_cff ? "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /"
                         : "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /")
      .append(name);
  cid.append(" /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>");
  cid.append(" /FontDescriptor ").append(PdfFile::Ref(n + 2));
  // A CFF subset numbers its glyphs by CID already.
  if (!face.is_cff) cid.append(" /CIDToGIDMap /Identity");
  cid.append(" /DW 1000 /W [0 [");
  for (quint32 g : u.glyphs) cid.append(QByteArray::number(face.Width(g))).append(' ');
  cid.append("]] >>\nendobj\n");
  QByteArray& d = file.Begin(n + 2);
  d.append("<< /Type /FontDescriptor /FontName /").append(name);
  d.append(" /Flags 4 /FontBBox [");
  for (int i = 0; i < 4; ++i) d << face.Box()[i] * per_unit;
  d.append("] /ItalicAngle 0 /Ascent ");
  d << face.Ascent() * per_unit;
  d.append("/Descent ");
  d << face.Descent() * per_unit;
  d.append("/CapHeight ");
  d << face.Ascent() * per_unit;
  d.append(face.is_cff ? "/StemV 80 /FontFile3 " : "/StemV 80 /FontFile2 ")
      .append(PdfFile::Ref(n + 3))
      .append(" >>\nendobj\n");
  file.Stream(n + 3, packed_font,
              face.is_cff ? QByteArray(" /Subtype /CIDFontType0C")
                          : " /Length1 " + QByteArray::number(font_size));

  const DeflatedPiece map_piece = Deflater::Stored(to_unicode.constData(), to_unicode.size());
  const QByteArray packed_map = Deflater::Join({&map_piece});
  if (packed_map.isEmpty()) return false;
  file.Stream(n + 4, packed_map, QByteArray());
  return true;
}

// What one thread draws with: the texts it shaped, whose plans hold fonts of that thread, and
// its compressor.
struct Drawing {
  QHash<QString, Shaped> shaped;
  Deflater deflater;
};

}  // namespace

struct PdfWriter::State {
  // The faces, and what they learn of their glyphs' texts.
  std::mutex fonts;
  std::vector<std::unique_ptr<Face>> faces;
  QHash<QString, int> face_index;
  // Each drawing thread's own, made at its first text.
  std::mutex drawings_lock;
  std::map<std::thread::id, std::unique_ptr<Drawing>> drawings;
  // Held while a file is ended: the faces' packed glyphs and the deflater of the ends.
  std::mutex ending;
  Deflater ending_deflater;

  Drawing& Mine() {
    const std::lock_guard lock(drawings_lock);
    std::unique_ptr<Drawing>& mine = drawings[std::this_thread::get_id()];
    if (!mine) mine = std::make_unique<Drawing>();
    return *mine;
  }

  // Under `fonts`.
  int FaceFor(const QRawFont& raw) {
    // The face of a font file, however the font was asked for.
    const QString key = raw.familyName() + QChar(0x1F) + raw.styleName();
    const auto it = face_index.constFind(key);
    if (it != face_index.constEnd()) return it.value();
    auto face = std::make_unique<Face>();
    face->usable = face->outlines.Load(raw);
    if (!face->usable) face->usable = face->is_cff = face->cff.Load(raw);
    face->name = PdfName(raw);
    faces.push_back(std::move(face));
    const int index = static_cast<int>(faces.size()) - 1;
    face_index.insert(key, index);
    return index;
  }

  // Which glyph shows which characters, learnt once per face and character, through raw (the
  // face as this thread has it). Under `fonts`.
  void Learn(Face& face, const QRawFont& raw, const QString& text, const QFont* vertical_font) {
    auto map = [&face](quint32 glyph, const QString& s) {
      if (glyph != 0 && !face.text_of.contains(glyph)) face.text_of.insert(glyph, s);
    };
    for (const char32_t cp : text.toUcs4()) {
      const bool horizontal = !face.looked_up.contains(cp);
      const bool vertical = vertical_font && !face.looked_up_vertical.contains(cp);
      if (!horizontal && !vertical) continue;
      const QString s = QString::fromUcs4(&cp, 1);
      if (horizontal) {
        face.looked_up.insert(cp);
        const QList<quint32> g = raw.glyphIndexesForString(s);
        if (g.size() == 1) map(g[0], s);
      }
      if (vertical) {
        face.looked_up_vertical.insert(cp);
        const VerticalLine line = ShapeVertical(*vertical_font, s);
        if (line.glyphs.size() == 1) map(line.glyphs[0].index, s);
      }
    }
  }

  const Shaped& Shape(Drawing& d, const TextRun& run) {
    const QString key = PlanKey(run);
    auto it = d.shaped.constFind(key);
    if (it != d.shaped.constEnd()) return it.value();
    if (d.shaped.size() >= kMaxShapedTexts) d.shaped.clear();
    return d.shaped.insert(key, FromPlan(run, key)).value();
  }

  // The run's plan on this writer's faces; not ok when a face has neither TrueType nor CFF
  // outlines to embed, or when the plan is drawn exactly only through Qt.
  Shaped FromPlan(const TextRun& run, const QString& key) {
    Shaped out;
    if (std::any_of(run.text.begin(), run.text.end(), IsControlCharacter)) return out;
    const std::shared_ptr<const TextPlan> held = PlanText(run, key);
    const TextPlan& plan = *held;
    if (!plan.exact) return out;
    // The vertical forms are learnt from the run's own font.
    const std::optional<QFont> vertical =
        run.vertical ? std::optional(CertificateFont(run.font, run.size, run.bold, run.italic))
                     : std::nullopt;
    const std::lock_guard lock(fonts);
    for (const GlyphPiece& g : plan.pieces) {
      Piece p;
      p.face = FaceFor(g.font);
      Face& face = *faces[static_cast<size_t>(p.face)];
      if (!face.usable) return out;
      Learn(face, g.font, run.text, vertical ? &*vertical : nullptr);
      p.shown_by = &face;
      p.glyphs = g;
      out.pieces.push_back(std::move(p));
    }
    out.ok = true;
    return out;
  }

  // Draws the glyphs of a piece, placed from origin (twips), as text of font resource F<n>.
  static void Emit(QByteArray& c, const Piece& piece, QPointF origin, UsedFace& used) {
    const Face& face = *piece.shown_by;
    const GlyphPiece& p = piece.glyphs;
    // Text space (an em a unit, y up) to page twips (y down), as the plan places the glyphs.
    const QTransform m = p.GlyphToTwips();
    const double em_pixels = p.font.pixelSize();
    const double a = m.m11() * em_pixels;
    const double b = m.m12() * em_pixels;
    const double cc = -m.m21() * em_pixels;
    const double d = -m.m22() * em_pixels;
    const double det = a * d - b * cc;
    if (p.glyphs.empty() || det == 0) return;
    const bool bold = p.bold_stroke > 0;
    if (bold) {
      c.append("q 1 j 1 J ");
      c << p.bold_stroke;
      c.append("w\n");
    }
    c.append("BT /F").append(QByteArray::number(piece.face)).append(" 1 Tf\n");
    if (bold) c.append("2 Tr\n");
    size_t i = 0;
    while (i < p.glyphs.size()) {
      const QPointF start = origin + p.at[i];
      c << a << b << cc << d << start.x() << start.y();
      c.append("Tm [<");
      double pen = 0;  // text space, along the line from start
      bool first = true;
      for (; i < p.glyphs.size(); ++i) {
        const QPointF delta = origin + p.at[i] - start;
        const double u = (d * delta.x() - cc * delta.y()) / det;
        const double v = (-b * delta.x() + a * delta.y()) / det;
        if (!first) {
          if (std::abs(v) > 0.0005) break;  // off the line: a new matrix
          const double adjust = (pen - u) * 1000;
          if (std::abs(adjust) >= 0.05) {
            c.append("> ");
            AppendNumber(c, adjust);
            c.append(" <");
          }
        }
        first = false;
        AppendHex4(c, used.Cid(p.glyphs[i]));
        pen = u + face.Width(p.glyphs[i]) / 1000.0;
      }
      c.append(">] TJ\n");
    }
    c.append(bold ? "ET Q\n" : "ET\n");
  }

  // The content stream of each page, compressed unless not to be yet, the faces they use
  // filled in; nullopt when a text cannot be drawn exactly here or the compressor failed.
  std::optional<std::vector<QByteArray>> Contents(const PrintDocument& doc, double sheet_height,
                                                  const QTransform& placement,
                                                  std::map<int, UsedFace>& used, bool compress) {
    Drawing& d = Mine();
    std::vector<QByteArray> contents;
    for (const PrintPage& page : doc.pages) {
      QByteArray c;
      c.reserve(4096);
      // Twips, y down, the sheet's top-left corner at the origin.
      c << kPointsPerTwip << 0.0 << 0.0 << -kPointsPerTwip << 0.0 << sheet_height;
      c.append("cm 0 g 0 G\n");
      if (!placement.isIdentity()) {
        c << placement.m11() << 0.0 << 0.0 << placement.m22() << placement.dx() << placement.dy();
        c.append("cm\n");
      }
      for (const PageElement& e : page.elements) {
        if (const auto* run = std::get_if<TextRun>(&e)) {
          const Shaped& shaped = Shape(d, *run);
          if (!shaped.ok) return std::nullopt;
          for (const Piece& p : shaped.pieces) {
            UsedFace& u = used[p.face];
            u.face = p.shown_by;
            Emit(c, p, QPointF(run->x, run->y), u);
          }
        } else if (const auto* line = std::get_if<LineElement>(&e)) {
          c.append("q ");
          c << kLineWidthTwips;
          c.append("w 0 J ");
          c << line->x1 << line->y1;
          c.append("m ");
          c << line->x2 << line->y2;
          c.append("l S Q\n");
        }
      }
      if (!compress) c.squeeze();  // held until the file is closed: not the room reserved
      contents.push_back(compress ? d.deflater.Stream(c) : c);
      if (contents.back().isEmpty()) return std::nullopt;
    }
    return contents;
  }
};

PdfWriter::PdfWriter() : state_(std::make_unique<State>()) {}
PdfWriter::~PdfWriter() = default;

bool PdfWriter::CanWrite(const PrintDocument& doc) {
  if (doc.PageCount() == 0 || doc.width <= 0 || doc.height <= 0) return false;
  Drawing& drawing = state_->Mine();
  for (const PrintPage& page : doc.pages) {
    for (const PageElement& e : page.elements) {
      const auto* run = std::get_if<TextRun>(&e);
      if (run && !state_->Shape(drawing, *run).ok) return false;
    }
  }
  return true;
}

QByteArray PdfWriter::Write(const PrintDocument& doc, const QTransform& placement) {
  QByteArray pdf;
  File file(*this, [&pdf](const QByteArray& bytes) {
    pdf.append(bytes);
    return true;
  });
  file.SetPlacement(placement);
  if (!file.Add(doc) || !file.Close()) return {};
  return pdf;
}

// 1 catalogue, 2 page tree, 3 information and 4 resources first; then a page and its content
// for each page as documents come; at the end five objects for each face (font, CID font,
// descriptor, outlines, ToUnicode) and the objects that list the pages and the fonts.
struct PdfWriter::File::Data {
  Data(State& s, PdfFile::Sink sink) : state(s), file(std::move(sink)) {
    for (int i = 1; i <= 4; ++i) file.Reserve();
  }
  State& state;
  PdfFile file;
  std::map<int, UsedFace> used;  // of the whole file: one subset of each face
  std::vector<int> pages;        // page objects in order
  size_t front = 0;              // of them, those added in front
  QTransform placement;          // of the pages' content
  bool closed = false;
  bool deferred = false;                        // contents added now compressed by Close
  std::vector<std::pair<int, QByteArray>> raw;  // content objects not yet written
  qsizetype raw_bytes = 0;

  // The contents held, compressed and written.
  bool WriteHeld(Deflater& deflater) {
    for (const auto& [object, content] : raw) {
      const QByteArray packed = deflater.Stream(content);
      if (packed.isEmpty()) return false;
      file.Stream(object, packed, QByteArray());
      if (!file.Flush()) return false;
    }
    raw.clear();
    raw_bytes = 0;
    return true;
  }
};

namespace {

// Contents held for Close at most: a file of thousands of pages is not held whole.
constexpr qsizetype kMostHeldBytes = 2 * 1024 * 1024;

}  // namespace

PdfWriter::File::File(PdfWriter& writer, std::function<bool(const QByteArray&)> sink)
    : d_(std::make_unique<Data>(*writer.state_, std::move(sink))) {}
PdfWriter::File::~File() = default;

void PdfWriter::File::CompressWhenClosed(bool later) {
  d_->deferred = later;
}

void PdfWriter::File::SetPlacement(const QTransform& placement) {
  d_->placement = placement;
}

int PdfWriter::File::pages() const {
  return static_cast<int>(d_->pages.size());
}

bool PdfWriter::File::Add(const PrintDocument& doc, bool in_front) {
  if (d_->closed || doc.PageCount() == 0 || doc.width <= 0 || doc.height <= 0) return false;
  const QSizeF sheet = PdfPageSize(doc.paper).sizePoints();
  // Every page is composed before any is written: a document that cannot be drawn here
  // leaves nothing of itself in the file.
  const std::optional<std::vector<QByteArray>> contents =
      d_->state.Contents(doc, sheet.height(), d_->placement, d_->used, !d_->deferred);
  if (!contents) return false;
  PdfFile& file = d_->file;
  for (const QByteArray& content : *contents) {
    const int page_object = file.Reserve();
    const int content_object = file.Reserve();
    QByteArray& page = file.Begin(page_object);
    page.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ");
    page << sheet.width() << sheet.height();
    page.append("] /Resources 4 0 R /Contents ").append(PdfFile::Ref(content_object));
    page.append(" >>\nendobj\n");
    if (d_->deferred) {
      d_->raw.emplace_back(content_object, content);
      d_->raw_bytes += content.size();
    } else {
      file.Stream(content_object, content, QByteArray());
    }
    if (in_front) {
      d_->pages.insert(d_->pages.begin() + static_cast<std::ptrdiff_t>(d_->front++), page_object);
    } else {
      d_->pages.push_back(page_object);
    }
  }
  if (d_->raw_bytes > kMostHeldBytes && !d_->WriteHeld(d_->state.Mine().deflater)) return false;
  return file.Flush();
}

bool PdfWriter::File::Close() {
  if (d_->closed || d_->pages.empty()) return false;
  d_->closed = true;
  State& s = d_->state;
  PdfFile& file = d_->file;
  // What each face's glyphs show, as far as the faces know it: another thread may teach them
  // more meanwhile.
  std::vector<GlyphTexts> texts;
  {
    const std::lock_guard lock(s.fonts);
    for (const auto& [index, u] : d_->used) {
      texts.push_back(TextsOf(*u.face, u.glyphs, u.glyphs.size()));
    }
  }
  const std::lock_guard lock(s.ending);
  if (!d_->WriteHeld(s.ending_deflater)) return false;
  std::vector<int> fonts;
  size_t k = 0;
  for (auto& [index, u] : d_->used) {
    const int first = file.Reserve();
    for (int i = 1; i < 5; ++i) file.Reserve();
    if (!WriteFace(file, first, *u.face, u, ToUnicodeMap(texts[k++]), s.ending_deflater)) {
      return false;
    }
    fonts.push_back(first);
    if (!file.Flush()) return false;
  }
  file.Begin(1).append("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  QByteArray& tree = file.Begin(2);
  tree.append("<< /Type /Pages /Count ").append(QByteArray::number(pages())).append(" /Kids [");
  for (int page : d_->pages) tree.append(PdfFile::Ref(page)).append(' ');
  tree.append("] >>\nendobj\n");
  QByteArray& info = file.Begin(3);
  info.append("<< /Creator (KVSYS) /Producer (KVSYS) /Title <FEFF");
  AppendUtf16Hex(info, QStringLiteral("賞状"));
  info.append("> >>\nendobj\n");
  QByteArray& resources = file.Begin(4);
  resources.append("<< /ProcSet [/PDF /Text] /Font <<");
  k = 0;
  for (const auto& entry : d_->used) {
    resources.append(" /F")
        .append(QByteArray::number(entry.first))
        .append(' ')
        .append(PdfFile::Ref(fonts[k++]));
  }
  resources.append(" >> >>\nendobj\n");
  return file.Close(1, 3);
}

}  // namespace kvsys
