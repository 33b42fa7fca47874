#include "print/cff_subset.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace kvsys {

namespace {

using cff::DictEntry;
using cff::FontDict;
using cff::Index;
using cff::Span;

// DICT operators; an escaped one (12 x) is 1200 + x.
enum : int {
  kVersion = 0,
  kNotice = 1,
  kFullName = 2,
  kFamilyName = 3,
  kWeight = 4,
  kFontBBox = 5,
  kCharset = 15,
  kCharStrings = 17,
  kPrivate = 18,
  kSubrs = 19,
  kCopyright = 1200,
  kCharstringType = 1206,
  kPostScript = 1221,
  kBaseFontName = 1222,
  kRos = 1230,
  kCidCount = 1234,
  kFdArray = 1236,
  kFdSelect = 1237,
  kFontName = 1238,
};

// Top DICT and font DICT entries a subset keeps as they are (but for their strings). Offsets are
// written anew, and what names other fonts or claims to be the whole font (UniqueID, XUID,
// UIDBase, SyntheticBase, Encoding) is left out, as is anything unknown: it might be an offset.
bool KeptInFont(int op) {
  return (op >= kVersion && op <= kFontBBox) || (op >= kCopyright && op <= 1208) ||
         (op >= kPostScript && op <= 1223) || (op >= kRos && op <= 1233) || op == kFontName;
}
// Private DICT entries a subset keeps: all hinting values and the widths, not the Subrs.
bool KeptInPrivate(int op) {
  return (op >= 6 && op <= 11) || op == 20 || op == 21 || (op >= 1209 && op <= 1214) ||
         (op >= 1217 && op <= 1219);
}
bool TakesStrings(int op) {
  return (op >= kVersion && op <= kWeight) || op == kCopyright || op == kPostScript ||
         op == kBaseFontName || op == kFontName;
}

constexpr quint32 kStandardStrings = 391;  // SIDs below this name the standard strings
constexpr int kMaxOperands = 48;
constexpr int kMaxSubrDepth = 10;
// A flattened glyph larger than this, or one that takes longer to read, is taken as damage
// (nested subroutine calls could otherwise make a few bytes cost hours).
constexpr qsizetype kMaxCharstring = 65535;
constexpr qsizetype kMaxCharstringWork = 1 << 20;

quint32 Byte(const QByteArray& d, qsizetype at) {
  return static_cast<uchar>(d[at]);
}
// A big-endian number of n bytes; the caller has checked that they are there.
quint32 Card(const QByteArray& d, qsizetype at, int n) {
  quint32 v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | Byte(d, at + i);
  return v;
}
void AppendCard(QByteArray& d, quint32 v, int n) {
  for (int i = n - 1; i >= 0; --i) d.append(static_cast<char>(v >> (8 * i)));
}

// Reads the INDEX at *at and moves *at past it. False when it does not lie within d.
bool ReadIndex(const QByteArray& d, qsizetype* at, Index* index) {
  index->items.clear();
  if (*at < 0 || *at + 2 > d.size()) return false;
  const quint32 count = Card(d, *at, 2);
  if (count == 0) {
    *at += 2;
    return true;
  }
  if (*at + 3 > d.size()) return false;
  const int off_size = static_cast<int>(Byte(d, *at + 2));
  if (off_size < 1 || off_size > 4) return false;
  const qsizetype offsets = *at + 3;
  // Offsets count from 1, the byte after the offsets.
  const qsizetype data = offsets + static_cast<qsizetype>(count + 1) * off_size - 1;
  if (data + 1 > d.size()) return false;
  quint32 previous = Card(d, offsets, off_size);
  if (previous != 1) return false;
  index->items.reserve(count);
  for (quint32 i = 1; i <= count; ++i) {
    const quint32 next = Card(d, offsets + static_cast<qsizetype>(i) * off_size, off_size);
    if (next < previous || data + next > d.size()) return false;
    index->items.push_back({data + previous, static_cast<qsizetype>(next - previous)});
    previous = next;
  }
  *at = data + previous;
  return true;
}

QByteArray WriteIndex(const std::vector<QByteArray>& items) {
  QByteArray out;
  AppendCard(out, static_cast<quint32>(items.size()), 2);
  if (items.empty()) return out;
  qsizetype last = 1;
  for (const QByteArray& item : items) last += item.size();
  const int off_size = last <= 0xFF ? 1 : last <= 0xFFFF ? 2 : last <= 0xFFFFFF ? 3 : 4;
  out.append(static_cast<char>(off_size));
  qsizetype offset = 1;
  AppendCard(out, static_cast<quint32>(offset), off_size);
  for (const QByteArray& item : items) {
    offset += item.size();
    AppendCard(out, static_cast<quint32>(offset), off_size);
  }
  for (const QByteArray& item : items) out.append(item);
  return out;
}

QByteArray ItemBytes(const QByteArray& d, Span s) {
  return d.mid(s.offset, s.size);
}

// A real number's nibbles from at; moves at past them. False when they do not end in time.
bool ReadReal(const QByteArray& d, qsizetype& at, qsizetype end, double* value) {
  QByteArray text;
  for (; at < end; ++at) {
    const quint32 b = Byte(d, at);
    for (const quint32 nibble : {b >> 4, b & 0xF}) {
      if (nibble <= 9) {
        text.append(static_cast<char>('0' + nibble));
      } else if (nibble == 0xA) {
        text.append('.');
      } else if (nibble == 0xB) {
        text.append('E');
      } else if (nibble == 0xC) {
        text.append("E-");
      } else if (nibble == 0xE) {
        text.append('-');
      } else if (nibble == 0xF) {
        ++at;
        bool ok = false;
        *value = text.toDouble(&ok);
        return ok || text.isEmpty();
      } else {
        return false;
      }
    }
  }
  return false;
}

// The entries of the DICT at span. False when it does not hold together.
bool ReadDict(const QByteArray& d, Span span, std::vector<DictEntry>* entries) {
  entries->clear();
  if (span.offset < 0 || span.size < 0 || span.offset + span.size > d.size()) return false;
  const qsizetype end = span.offset + span.size;
  qsizetype at = span.offset;
  qsizetype operands_at = at;
  DictEntry entry;
  while (at < end) {
    const quint32 b0 = Byte(d, at);
    double value = 0;
    if (b0 <= 21) {
      const qsizetype op_at = at++;
      int op = static_cast<int>(b0);
      if (b0 == 12) {
        if (at >= end) return false;
        op = 1200 + static_cast<int>(Byte(d, at++));
      }
      entry.op = op;
      entry.operands = d.mid(operands_at, op_at - operands_at);
      entries->push_back(std::move(entry));
      entry = {};
      operands_at = at;
      continue;
    }
    if (b0 == 28) {
      if (at + 3 > end) return false;
      value = static_cast<qint16>(Card(d, at + 1, 2));
      at += 3;
    } else if (b0 == 29) {
      if (at + 5 > end) return false;
      value = static_cast<qint32>(Card(d, at + 1, 4));
      at += 5;
    } else if (b0 == 30) {
      ++at;
      if (!ReadReal(d, at, end, &value)) return false;
    } else if (b0 >= 32 && b0 <= 246) {
      value = static_cast<int>(b0) - 139;
      ++at;
    } else if (b0 >= 247 && b0 <= 254) {
      if (at + 2 > end) return false;
      const int magnitude = (static_cast<int>(b0 - (b0 <= 250 ? 247 : 251)) << 8) +
                            static_cast<int>(Byte(d, at + 1)) + 108;
      value = b0 <= 250 ? magnitude : -magnitude;
      at += 2;
    } else {
      return false;
    }
    entry.values.push_back(value);
    if (entry.values.size() > kMaxOperands) return false;
  }
  return entry.values.empty();  // operands with no operator after them
}

const DictEntry* Find(const std::vector<DictEntry>& entries, int op) {
  const auto it =
      std::find_if(entries.begin(), entries.end(), [op](const DictEntry& e) { return e.op == op; });
  return it == entries.end() ? nullptr : &*it;
}

// The i-th operand of an entry when it is a whole number from 0 to max.
bool Whole(const DictEntry* entry, size_t i, qint64 max, qint64* value) {
  if (!entry || i >= entry->values.size()) return false;
  const double v = entry->values[i];
  if (v != std::floor(v) || v < 0 || v > static_cast<double>(max)) return false;
  *value = static_cast<qint64>(v);
  return true;
}

QByteArray DictOperator(int op) {
  QByteArray out;
  if (op >= 1200) out.append('\x0C');
  out.append(static_cast<char>(op >= 1200 ? op - 1200 : op));
  return out;
}

// An integer operand in its shortest form.
QByteArray DictInt(qint32 v) {
  QByteArray out;
  if (v >= -107 && v <= 107) {
    out.append(static_cast<char>(v + 139));
  } else if (v >= 108 && v <= 1131) {
    out.append(static_cast<char>(((v - 108) >> 8) + 247)).append(static_cast<char>(v - 108));
  } else if (v >= -1131 && v <= -108) {
    out.append(static_cast<char>(((-v - 108) >> 8) + 251)).append(static_cast<char>(-v - 108));
  } else if (v >= -32768 && v <= 32767) {
    out.append('\x1C');
    AppendCard(out, static_cast<quint32>(v) & 0xFFFF, 2);
  } else {
    out.append('\x1D');
    AppendCard(out, static_cast<quint32>(v), 4);
  }
  return out;
}
// An offset or size in five bytes whatever its value, so that a DICT's size does not depend on
// where things end up.
QByteArray DictFixed(qint64 v) {
  QByteArray out("\x1D");
  AppendCard(out, static_cast<quint32>(v), 4);
  return out;
}

QByteArray DictBytes(const std::vector<DictEntry>& entries) {
  QByteArray out;
  for (const DictEntry& e : entries) out.append(e.operands).append(DictOperator(e.op));
  return out;
}

// The Private DICT of a font DICT and its local subroutines. False when they do not lie within
// the table or do not hold together.
bool ReadFont(const QByteArray& cff, const std::vector<DictEntry>& entries, FontDict* font) {
  font->entries.clear();
  for (const DictEntry& e : entries) {
    if (KeptInFont(e.op)) font->entries.push_back(e);
  }
  font->private_entries.clear();
  font->subrs.items.clear();
  const DictEntry* private_entry = Find(entries, kPrivate);
  if (!private_entry) return true;  // all values at their defaults, no subroutines
  qint64 size = 0;
  qint64 offset = 0;
  if (!Whole(private_entry, 0, cff.size(), &size) || !Whole(private_entry, 1, cff.size(), &offset))
    return false;
  std::vector<DictEntry> private_entries;
  if (!ReadDict(cff, {offset, size}, &private_entries)) return false;
  for (const DictEntry& e : private_entries) {
    if (KeptInPrivate(e.op)) font->private_entries.push_back(e);
  }
  if (const DictEntry* subrs = Find(private_entries, kSubrs)) {
    qint64 at = 0;
    if (!Whole(subrs, 0, cff.size(), &at)) return false;
    qsizetype subrs_at = offset + at;
    if (!ReadIndex(cff, &subrs_at, &font->subrs)) return false;
  }
  return true;
}

// Glyph names (SIDs) of a name-keyed font, glyph 0's included. False when the charset does not
// lie within the table or is one of the expert ones.
bool ReadCharset(const QByteArray& cff, qint64 offset, quint32 glyphs,
                 std::vector<quint16>* names) {
  names->assign(1, 0);
  if (offset == 0) {  // ISOAdobe: glyph i is SID i
    if (glyphs > 229) return false;
    for (quint32 g = 1; g < glyphs; ++g) names->push_back(static_cast<quint16>(g));
    return true;
  }
  if (offset <= 2 || offset >= cff.size()) return false;
  qsizetype at = offset;
  const quint32 format = Byte(cff, at++);
  if (format == 0) {
    if (at + 2 * static_cast<qsizetype>(glyphs - 1) > cff.size()) return false;
    for (quint32 g = 1; g < glyphs; ++g, at += 2) {
      names->push_back(static_cast<quint16>(Card(cff, at, 2)));
    }
    return true;
  }
  if (format != 1 && format != 2) return false;
  const int left_size = format == 1 ? 1 : 2;
  while (names->size() < glyphs) {
    if (at + 2 + left_size > cff.size()) return false;
    const quint32 first = Card(cff, at, 2);
    const quint32 left = Card(cff, at + 2, left_size);
    at += 2 + left_size;
    for (quint32 i = 0; i <= left && names->size() < glyphs; ++i) {
      if (first + i > 0xFFFF) return false;
      names->push_back(static_cast<quint16>(first + i));
    }
  }
  return true;
}

// Each glyph's font DICT in a CID-keyed font. False when the FDSelect does not lie within the
// table or names a font DICT that is not there.
bool ReadFdSelect(const QByteArray& cff, qint64 offset, quint32 glyphs, size_t fonts,
                  std::vector<quint8>* select) {
  select->clear();
  if (offset <= 0 || offset >= cff.size()) return false;
  qsizetype at = offset;
  const quint32 format = Byte(cff, at++);
  if (format == 0) {
    if (at + static_cast<qsizetype>(glyphs) > cff.size()) return false;
    for (quint32 g = 0; g < glyphs; ++g) select->push_back(static_cast<quint8>(Byte(cff, at + g)));
  } else if (format == 3) {
    if (at + 2 > cff.size()) return false;
    const quint32 ranges = Card(cff, at, 2);
    at += 2;
    if (ranges == 0 || at + 3 * static_cast<qsizetype>(ranges) + 2 > cff.size()) return false;
    if (Card(cff, at, 2) != 0) return false;
    for (quint32 r = 0; r < ranges; ++r, at += 3) {
      const quint32 first = Card(cff, at, 2);
      const quint32 next = Card(cff, at + 3, 2);  // the next range's first, or the sentinel
      if (next < first || next > glyphs) return false;
      select->insert(select->end(), next - first, static_cast<quint8>(Byte(cff, at + 2)));
    }
    if (select->size() != glyphs) return false;
  } else {
    return false;
  }
  return std::all_of(select->begin(), select->end(), [fonts](quint8 fd) { return fd < fonts; });
}

int SubrBias(size_t count) {
  return count < 1240 ? 107 : count < 33900 ? 1131 : 32768;
}

// Writes out a Type 2 charstring with its subroutine calls replaced by the subroutines' own
// operators (their returns left out), numbers and operators otherwise copied as they are, the
// width among them. It follows the stack only as far as needed for that: how many operands there
// are (for the stem hints that set how long a hint mask is) and which of them are plain numbers
// still last in the output (a subroutine's number is taken out with its call).
class Flattener {
 public:
  Flattener(const QByteArray& cff, const Index& global, const Index& local)
      : cff_(cff), global_(global), local_(local) {}

  // Empty when the charstring does not hold together or does not end with endchar.
  QByteArray Run(Span charstring) {
    if (!Run(charstring, 0) || !ended_) return {};
    return out_;
  }

 private:
  struct Operand {
    bool number = false;  // a plain number, not a computed one
    double value = 0;
    qsizetype at = 0;  // where it lies in out_
    qsizetype end = 0;
  };

  // False when the charstring does not hold together.
  bool Run(Span span, int depth);
  bool Operator(int op, qsizetype& at, qsizetype end, int depth);
  bool Call(const Index& subrs, int depth);
  bool Needs(size_t operands) const { return stack_.size() >= operands; }
  // An operator that clears the stack, as all but arithmetic ones do.
  void Emit(int op) {
    out_.append(DictOperator(op));  // charstrings escape operators as DICTs do
    stack_.clear();
  }

  const QByteArray& cff_;
  const Index& global_;
  const Index& local_;
  QByteArray out_;
  std::vector<Operand> stack_;
  int stems_ = 0;
  qsizetype work_ = 0;
  bool ended_ = false;
};

bool Flattener::Run(Span span, int depth) {
  const qsizetype end = span.offset + span.size;
  qsizetype at = span.offset;
  while (at < end) {
    if (out_.size() > kMaxCharstring || ++work_ > kMaxCharstringWork) return false;
    const quint32 b0 = Byte(cff_, at);
    if (b0 == 28 || b0 >= 32) {
      qsizetype size = 1;
      double value = 0;
      if (b0 == 28) {
        size = 3;
      } else if (b0 >= 247 && b0 <= 254) {
        size = 2;
      } else if (b0 == 255) {
        size = 5;
      }
      if (at + size > end) return false;
      if (b0 == 28) {
        value = static_cast<qint16>(Card(cff_, at + 1, 2));
      } else if (b0 <= 246) {
        value = static_cast<int>(b0) - 139;
      } else if (b0 <= 254) {
        const int magnitude = (static_cast<int>(b0 - (b0 <= 250 ? 247 : 251)) << 8) +
                              static_cast<int>(Byte(cff_, at + 1)) + 108;
        value = b0 <= 250 ? magnitude : -magnitude;
      } else {
        value = static_cast<qint32>(Card(cff_, at + 1, 4)) / 65536.0;
      }
      if (stack_.size() >= kMaxOperands) return false;
      stack_.push_back({true, value, out_.size(), out_.size() + size});
      out_.append(cff_.constData() + at, size);
      at += size;
      continue;
    }
    ++at;
    int op = static_cast<int>(b0);
    if (b0 == 12) {
      if (at >= end) return false;
      op = 1200 + static_cast<int>(Byte(cff_, at++));
    }
    if (op == 11) return depth > 0;  // return
    if (!Operator(op, at, end, depth)) return false;
    if (ended_) return true;
  }
  // A subroutine may end without a return; a glyph must end with endchar.
  return depth > 0;
}

bool Flattener::Call(const Index& subrs, int depth) {
  if (stack_.empty() || depth >= kMaxSubrDepth) return false;
  const Operand number = stack_.back();
  if (!number.number || number.end != out_.size() || number.value != std::floor(number.value)) {
    return false;
  }
  const double index = number.value + SubrBias(subrs.items.size());
  if (index < 0 || index >= static_cast<double>(subrs.items.size())) return false;
  stack_.pop_back();
  out_.truncate(number.at);
  return Run(subrs.items[static_cast<size_t>(index)], depth + 1);
}

bool Flattener::Operator(int op, qsizetype& at, qsizetype end, int depth) {
  // Operators that draw: the fewest operands each takes.
  static const QHash<int, int> kPath = {
      {4, 1},  {5, 2},  {6, 1},  {7, 1},  {8, 6},    {21, 2},    {22, 1},   {24, 8},    {25, 8},
      {26, 4}, {27, 4}, {30, 4}, {31, 4}, {1234, 7}, {1235, 13}, {1236, 9}, {1237, 11}, {1200, 0},
  };
  // Arithmetic and storage: operands taken, results left (all of them computed).
  static const QHash<int, std::pair<int, int>> kArithmetic = {
      {1203, {2, 1}}, {1204, {2, 1}}, {1205, {1, 1}}, {1209, {1, 1}}, {1210, {2, 1}},
      {1211, {2, 1}}, {1212, {2, 1}}, {1214, {1, 1}}, {1215, {2, 1}}, {1218, {1, 0}},
      {1220, {2, 0}}, {1221, {1, 1}}, {1222, {4, 1}}, {1223, {0, 1}}, {1224, {2, 1}},
      {1226, {1, 1}}, {1227, {1, 2}}, {1228, {2, 2}}, {1229, {1, 1}}, {1230, {2, 0}},
  };
  switch (op) {
    case 1:                                           // hstem
    case 3:                                           // vstem
    case 18:                                          // hstemhm
    case 23:                                          // vstemhm
      stems_ += static_cast<int>(stack_.size() / 2);  // an odd one out is the width
      Emit(op);
      return true;
    case 19:  // hintmask
    case 20:  // cntrmask
    {
      // Operands before a mask are vertical stems given without vstem.
      stems_ += static_cast<int>(stack_.size() / 2);
      Emit(op);
      const qsizetype mask = (stems_ + 7) / 8;
      if (at + mask > end) return false;
      out_.append(cff_.constData() + at, mask);
      at += mask;
      return true;
    }
    case 10:  // callsubr
      return Call(local_, depth);
    case 29:  // callgsubr
      return Call(global_, depth);
    case 14:  // endchar
      // Four operands more would make an accented character of two others by their standard
      // codes, which a subset need not hold; it is not taken.
      if (stack_.size() > 1) return false;
      Emit(op);
      ended_ = true;
      return true;
    default:
      break;
  }
  if (const auto path = kPath.find(op); path != kPath.end()) {
    if (!Needs(static_cast<size_t>(path.value()))) return false;
    Emit(op);
    return true;
  }
  const auto arithmetic = kArithmetic.find(op);
  if (arithmetic == kArithmetic.end()) return false;  // reserved
  const auto [taken, left] = arithmetic.value();
  if (!Needs(static_cast<size_t>(taken))) return false;
  stack_.resize(stack_.size() - static_cast<size_t>(taken));
  out_.append(DictOperator(op));
  for (int i = 0; i < left; ++i) stack_.push_back({false, 0, out_.size(), out_.size()});
  return stack_.size() <= kMaxOperands;
}

DictEntry Entry(int op, QByteArray operands) {
  DictEntry e;
  e.op = op;
  e.operands = std::move(operands);
  return e;
}

// Only the strings a subset names, numbered anew in the order they are met.
class SubsetStrings {
 public:
  explicit SubsetStrings(const std::vector<QByteArray>& all) : all_(all) {}

  quint32 Sid(double old) {
    const auto s = static_cast<quint32>(old);
    if (s < kStandardStrings) return s;
    auto it = new_sid_.find(s);
    if (it == new_sid_.end()) {
      it = new_sid_.insert(s, kStandardStrings + static_cast<quint32>(strings_.size()));
      strings_.push_back(all_[s - kStandardStrings]);
    }
    return it.value();
  }
  // The entries with the strings they name renumbered; a CID-keyed font's ROS first.
  std::vector<DictEntry> With(std::vector<DictEntry> entries) {
    for (DictEntry& e : entries) {
      if (!TakesStrings(e.op) && e.op != kRos) continue;
      e.operands.clear();
      for (size_t i = 0; i < e.values.size(); ++i) {
        const bool is_sid = e.op != kRos || i < 2;
        e.operands.append(DictInt(static_cast<qint32>(is_sid ? Sid(e.values[i]) : e.values[i])));
      }
    }
    std::stable_partition(entries.begin(), entries.end(),
                          [](const DictEntry& e) { return e.op == kRos; });
    return entries;
  }
  const std::vector<QByteArray>& strings() const { return strings_; }

 private:
  const std::vector<QByteArray>& all_;
  std::vector<QByteArray> strings_;
  QHash<quint32, quint32> new_sid_;
};

}  // namespace

bool CffSubsetter::Load(const QRawFont& font) {
  return LoadTables(font.fontTable("CFF "), font.fontTable("head"), font.fontTable("hhea"),
                    font.fontTable("hmtx"));
}

bool CffSubsetter::LoadTables(const QByteArray& cff, const QByteArray& head, const QByteArray& hhea,
                              const QByteArray& hmtx) {
  *this = CffSubsetter();
  const bool loaded = [&] {
    // Header: major version 1, its own size, then the Name, Top DICT, String and Global Subr
    // INDEXes one after the other.
    if (cff.size() < 4 || Byte(cff, 0) != 1 || Byte(cff, 2) < 4) return false;
    qsizetype at = Byte(cff, 2);
    Index names, tops, strings;
    if (!ReadIndex(cff, &at, &names) || !ReadIndex(cff, &at, &tops) ||
        !ReadIndex(cff, &at, &strings) || !ReadIndex(cff, &at, &global_subrs_)) {
      return false;
    }
    // An OpenType font holds one font.
    if (names.items.size() != 1 || tops.items.size() != 1) return false;
    name_ = ItemBytes(cff, names.items[0]);
    for (const Span& s : strings.items) strings_.push_back(ItemBytes(cff, s));
    std::vector<DictEntry> top;
    if (!ReadDict(cff, tops.items[0], &top)) return false;
    if (const DictEntry* type = Find(top, kCharstringType)) {
      if (type->values.size() != 1 || type->values[0] != 2) return false;
    }
    qint64 charstrings = 0;
    if (!Whole(Find(top, kCharStrings), 0, cff.size(), &charstrings)) return false;
    at = charstrings;
    if (!ReadIndex(cff, &at, &charstrings_) || charstrings_.items.empty()) return false;
    glyph_count_ = static_cast<quint32>(charstrings_.items.size());
    if (!metrics_.Load(head, hhea, hmtx, glyph_count_)) return false;

    for (const DictEntry& e : top) {
      if (KeptInFont(e.op)) top_.push_back(e);
      // A string a subset keeps must be there.
      if (TakesStrings(e.op) || e.op == kRos) {
        const size_t sids = e.op == kRos ? 2 : e.values.size();
        for (size_t i = 0; i < sids; ++i) {
          qint64 sid = 0;
          if (!Whole(&e, i, kStandardStrings + strings_.size() - 1, &sid)) return false;
        }
      }
    }
    cid_keyed_ = Find(top, kRos) != nullptr;
    if (!cid_keyed_) {
      fonts_.resize(1);
      qint64 charset = 0;
      if (const DictEntry* e = Find(top, kCharset); e && !Whole(e, 0, cff.size(), &charset)) {
        return false;
      }
      if (!ReadCharset(cff, charset, glyph_count_, &charset_)) return false;
      const quint32 sids = kStandardStrings + static_cast<quint32>(strings_.size());
      if (!std::all_of(charset_.begin(), charset_.end(), [sids](quint16 s) { return s < sids; })) {
        return false;
      }
      if (!ReadFont(cff, top, &fonts_[0])) return false;
      // The Top DICT itself goes out with the subset; the font DICT only lends its Private.
      fonts_[0].entries.clear();
      return true;
    }
    return LoadFontDicts(cff, top);
  }();
  if (!loaded) {
    *this = CffSubsetter();
    return false;
  }
  cff_ = cff;
  return true;
}

bool CffSubsetter::LoadFontDicts(const QByteArray& cff, const std::vector<DictEntry>& top) {
  Index fd_array;
  qint64 fd_array_at = 0;
  qint64 fd_select_at = 0;
  if (!Whole(Find(top, kFdArray), 0, cff.size(), &fd_array_at) ||
      !Whole(Find(top, kFdSelect), 0, cff.size(), &fd_select_at)) {
    return false;
  }
  qsizetype at = fd_array_at;
  if (!ReadIndex(cff, &at, &fd_array) || fd_array.items.empty() || fd_array.items.size() > 256) {
    return false;
  }
  for (const Span& s : fd_array.items) {
    std::vector<DictEntry> entries;
    fonts_.emplace_back();
    if (!ReadDict(cff, s, &entries) || !ReadFont(cff, entries, &fonts_.back())) return false;
    if (const DictEntry* name = Find(entries, kFontName)) {
      qint64 sid = 0;
      if (!Whole(name, 0, kStandardStrings + strings_.size() - 1, &sid)) return false;
    }
  }
  return ReadFdSelect(cff, fd_select_at, glyph_count_, fonts_.size(), &fd_select_);
}

QByteArray CffSubsetter::Flatten(quint32 glyph) const {
  const Index& local = fonts_[cid_keyed_ ? fd_select_[glyph] : 0].subrs;
  return Flattener(cff_, global_subrs_, local).Run(charstrings_.items[glyph]);
}

bool CffSubsetter::FlattenAll(const std::vector<quint32>& glyphs,
                              std::vector<QByteArray>* charstrings) const {
  charstrings->reserve(glyphs.size());
  for (quint32 g : glyphs) {
    if (g >= glyph_count_) return false;
    charstrings->push_back(Flatten(g));
    if (charstrings->back().isEmpty()) return false;
  }
  return true;
}

void CffSubsetter::Numbering(const std::vector<quint32>& glyphs,
                             const std::function<quint32(double)>& sid, std::vector<int>* used,
                             QByteArray* fd_select, QByteArray* charset) const {
  std::vector<int> new_fd(fonts_.size(), -1);
  *charset = QByteArray(1, '\0');  // format 0: each glyph's SID or CID after .notdef
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const int fd = cid_keyed_ ? fd_select_[glyphs[i]] : 0;
    if (new_fd[fd] < 0) {
      new_fd[fd] = static_cast<int>(used->size());
      used->push_back(fd);
    }
    if (cid_keyed_) fd_select->append(static_cast<char>(new_fd[fd]));
    if (i > 0)
      AppendCard(*charset, cid_keyed_ ? static_cast<quint32>(i) : sid(charset_[glyphs[i]]), 2);
  }
  if (cid_keyed_) fd_select->prepend('\0');  // format 0: a font DICT number for each glyph
}

QByteArray CffSubsetter::Subset(const std::vector<quint32>& glyphs) const {
  if (fonts_.empty() || glyphs.empty() || glyphs.size() > 0xFFFF) return {};
  std::vector<QByteArray> charstrings;
  if (!FlattenAll(glyphs, &charstrings)) return {};

  SubsetStrings strings(strings_);
  const auto sid = [&strings](double old) { return strings.Sid(old); };
  const auto with_strings = [&strings](std::vector<DictEntry> entries) {
    return strings.With(std::move(entries));
  };

  std::vector<int> used;
  QByteArray fd_select;
  QByteArray charset;
  Numbering(glyphs, sid, &used, &fd_select, &charset);

  std::vector<QByteArray> privates;
  for (int fd : used) privates.push_back(DictBytes(fonts_[fd].private_entries));
  const std::vector<DictEntry> top = with_strings(top_);
  std::vector<std::vector<DictEntry>> font_dicts;
  for (int fd : used) font_dicts.push_back(with_strings(fonts_[fd].entries));

  // The file in the order: header, Name, Top DICT, String and Global Subr INDEXes, charset,
  // FDSelect, CharStrings, FDArray, Private DICTs. Offsets are written in five bytes each, so
  // the DICTs are as long with stand-in offsets as with the real ones.
  const QByteArray charstrings_index = WriteIndex(charstrings);
  const QByteArray name_index = WriteIndex({name_});
  const QByteArray string_index = WriteIndex(strings.strings());
  const QByteArray global_index = WriteIndex({});
  const auto top_dict = [&](qint64 charset_at, qint64 fd_select_at, qint64 charstrings_at,
                            qint64 fd_array_at, qint64 private_at) {
    std::vector<DictEntry> entries = top;
    entries.push_back(Entry(kCharset, DictFixed(charset_at)));
    entries.push_back(Entry(kCharStrings, DictFixed(charstrings_at)));
    if (cid_keyed_) {
      entries.push_back(Entry(kCidCount, DictInt(static_cast<qint32>(glyphs.size()))));
      entries.push_back(Entry(kFdSelect, DictFixed(fd_select_at)));
      entries.push_back(Entry(kFdArray, DictFixed(fd_array_at)));
    } else {
      entries.push_back(
          Entry(kPrivate, DictFixed(privates[0].size()).append(DictFixed(private_at))));
    }
    return WriteIndex({DictBytes(entries)});
  };
  const auto fd_array = [&](qint64 private_at) {
    std::vector<QByteArray> dicts;
    for (size_t i = 0; i < used.size(); ++i) {
      std::vector<DictEntry> entries = font_dicts[i];
      entries.push_back(
          Entry(kPrivate, DictFixed(privates[i].size()).append(DictFixed(private_at))));
      private_at += privates[i].size();
      dicts.push_back(DictBytes(entries));
    }
    return WriteIndex(dicts);
  };

  const qint64 header = 4;
  const qint64 charset_at = header + name_index.size() + top_dict(0, 0, 0, 0, 0).size() +
                            string_index.size() + global_index.size();
  const qint64 fd_select_at = charset_at + charset.size();
  const qint64 charstrings_at = fd_select_at + fd_select.size();
  const qint64 fd_array_at = charstrings_at + charstrings_index.size();
  const qint64 private_at = fd_array_at + (cid_keyed_ ? fd_array(0).size() : 0);

  QByteArray out;
  out.append('\x01').append('\x00').append('\x04').append('\x04');
  out.append(name_index);
  out.append(top_dict(charset_at, fd_select_at, charstrings_at, fd_array_at, private_at));
  out.append(string_index).append(global_index).append(charset).append(fd_select);
  out.append(charstrings_index);
  if (cid_keyed_) out.append(fd_array(private_at));
  for (const QByteArray& p : privates) out.append(p);
  return out;
}

}  // namespace kvsys
