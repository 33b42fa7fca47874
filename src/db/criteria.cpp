#include "db/criteria.h"

#include <algorithm>

#include "db/db_error.h"
#include "db/sql_text.h"

namespace kvsys {

namespace {

bool IsNumber(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
      return true;
    default:
      return false;
  }
}

bool IsInteger(const QVariant& v) {
  return IsNumber(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}

std::optional<double> AsNumber(const QVariant& v) {
  if (IsNumber(v)) return v.toDouble();
  if (v.typeId() == QMetaType::QString) {
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (ok) return d;
  }
  return std::nullopt;
}

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

std::optional<int> CompareValues(const QVariant& a, const QVariant& b) {
  if (a.isNull() || b.isNull()) return std::nullopt;
  if (IsInteger(a) && IsInteger(b)) return Sign(a.toLongLong(), b.toLongLong());
  if (IsNumber(a) || IsNumber(b)) {
    const auto x = AsNumber(a);
    const auto y = AsNumber(b);
    if (!x || !y) return std::nullopt;
    return Sign(*x, *y);
  }
  if (a.typeId() == QMetaType::QByteArray && b.typeId() == QMetaType::QByteArray) {
    return Sign(a.toByteArray(), b.toByteArray());
  }
  const int c = QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

class CriteriaParser {
 public:
  CriteriaParser(const QString& text, const std::function<int(const QString&)>& field_index)
      : text_(text), field_index_(field_index) {
    for (const SqlToken& t : TokenizeSql(text)) {
      if (t.kind != SqlToken::kSpace && t.kind != SqlToken::kComment) toks_.push_back(t);
    }
  }

  Criteria Run() {
    Criteria c;
    out_ = &c;
    c.root_ = Or();
    if (pos_ != toks_.size()) Fail();
    return c;
  }

 private:
  [[noreturn]] void Fail() const { throw DbError(dberr::kCriteriaSyntax); }

  QStringView Text(size_t i) const {
    return QStringView(text_).mid(toks_[i].start, toks_[i].length);
  }
  bool Word(QStringView w) const {
    return pos_ < toks_.size() && toks_[pos_].kind == SqlToken::kWord &&
           Text(pos_).compare(w, Qt::CaseInsensitive) == 0;
  }
  bool Punct(QStringView p) const {
    return pos_ < toks_.size() && toks_[pos_].kind == SqlToken::kPunct && Text(pos_) == p;
  }

  int Add(Criteria::Node node) {
    out_->nodes_.push_back(std::move(node));
    return static_cast<int>(out_->nodes_.size()) - 1;
  }

  int Or() {
    int left = And();
    while (Word(u"OR")) {
      ++pos_;
      const int right = And();
      left = Add({Criteria::Node::kOr, left, right, {}, {}, {}});
    }
    return left;
  }

  int And() {
    int left = Not();
    while (Word(u"AND")) {
      ++pos_;
      const int right = Not();
      left = Add({Criteria::Node::kAnd, left, right, {}, {}, {}});
    }
    return left;
  }

  int Not() {
    if (Word(u"NOT")) {
      ++pos_;
      const int inner = Not();
      return Add({Criteria::Node::kNot, inner, -1, {}, {}, {}});
    }
    return Primary();
  }

  int Primary() {
    if (Punct(u"(")) {
      ++pos_;
      const int inner = Or();
      if (!Punct(u")")) Fail();
      ++pos_;
      return inner;
    }
    const Criteria::Operand a = ReadOperand();
    if (Word(u"IS")) {
      ++pos_;
      bool negated = false;
      if (Word(u"NOT")) {
        negated = true;
        ++pos_;
      }
      if (!Word(u"NULL")) Fail();
      ++pos_;
      return Add(
          {negated ? Criteria::Node::kIsNotNull : Criteria::Node::kIsNull, -1, -1, {}, a, {}});
    }
    static const QStringView kOps[] = {u"=", u"<>", u"!=", u"<", u">", u"<=", u">="};
    QString op;
    for (QStringView o : kOps) {
      if (Punct(o)) op = o.toString();
    }
    if (op.isEmpty()) Fail();
    ++pos_;
    const Criteria::Operand b = ReadOperand();
    if (op == QStringLiteral("!=")) op = QStringLiteral("<>");
    return Add({Criteria::Node::kCompare, -1, -1, op, a, b});
  }

  Criteria::Operand ReadOperand() {
    if (pos_ >= toks_.size()) Fail();
    Criteria::Operand o;
    const SqlToken& t = toks_[pos_];
    const QStringView s = Text(pos_);
    bool negative = false;
    if (Punct(u"-") || Punct(u"+")) {
      negative = Punct(u"-");
      ++pos_;
      if (pos_ >= toks_.size() || toks_[pos_].kind != SqlToken::kNumber) Fail();
      return Number(Text(pos_++), negative);
    }
    if (t.kind == SqlToken::kNumber) {
      ++pos_;
      return Number(s, false);
    }
    if (t.kind == SqlToken::kString || (t.kind == SqlToken::kQuotedName && s.front() == u'"')) {
      // Both quotes delimit texts in a search condition.
      const QChar q = s.front();
      QString inner = s.mid(1, s.size() - 2).toString();
      if (s.size() < 2 || s.back() != q || inner.count(q) % 2 != 0) Fail();  // unterminated
      inner.replace(QString(2, q), QString(q));
      o.literal = inner;
      ++pos_;
      return o;
    }
    if (t.kind == SqlToken::kWord && (Word(u"TRUE") || Word(u"FALSE"))) {
      o.literal = Word(u"TRUE") ? -1 : 0;
      ++pos_;
      return o;
    }
    if (t.kind == SqlToken::kWord || t.kind == SqlToken::kQuotedName) {
      QString name = FieldToken(pos_++);
      if (Punct(u".") && pos_ + 1 < toks_.size() &&
          (toks_[pos_ + 1].kind == SqlToken::kWord ||
           toks_[pos_ + 1].kind == SqlToken::kQuotedName)) {
        name += QLatin1Char('.') + FieldToken(pos_ + 1);
        pos_ += 2;
      }
      o.field = field_index_(name);
      if (o.field < 0) throw DbError(dberr::kUnknownNameInCriteria);
      return o;
    }
    Fail();
  }

  QString FieldToken(size_t i) const {
    const QStringView s = Text(i);
    if (s.startsWith(u'[') && s.endsWith(u']')) return s.mid(1, s.size() - 2).toString();
    if (s.startsWith(u'`') && s.endsWith(u'`')) return s.mid(1, s.size() - 2).toString();
    if (toks_[i].kind == SqlToken::kQuotedName) Fail();
    return s.toString();
  }

  Criteria::Operand Number(QStringView s, bool negative) const {
    Criteria::Operand o;
    bool ok = false;
    const qlonglong n = s.toLongLong(&ok);
    if (ok) {
      o.literal = negative ? -n : n;
      return o;
    }
    const double d = s.toDouble(&ok);
    if (!ok) Fail();
    o.literal = negative ? -d : d;
    return o;
  }

  QString text_;
  std::function<int(const QString&)> field_index_;
  std::vector<SqlToken> toks_;
  size_t pos_ = 0;
  Criteria* out_ = nullptr;
};

Criteria Criteria::Parse(const QString& text,
                         const std::function<int(const QString&)>& field_index) {
  if (text.trimmed().isEmpty()) throw DbError(dberr::kCriteriaSyntax);
  return CriteriaParser(text, field_index).Run();
}

bool Criteria::Matches(const QVariant* row) const {
  return Eval(root_, row) == Truth::kTrue;
}

std::vector<int> Criteria::Fields() const {
  std::vector<int> out;
  for (const Node& n : nodes_) {
    for (const Operand* o : {&n.a, &n.b}) {
      if (o->field >= 0 && std::find(out.begin(), out.end(), o->field) == out.end()) {
        out.push_back(o->field);
      }
    }
  }
  return out;
}

Criteria::Truth Criteria::Eval(int index, const QVariant* row) const {
  const Node& n = nodes_[static_cast<size_t>(index)];
  auto value = [row](const Operand& o) -> const QVariant& {
    return o.field >= 0 ? row[o.field] : o.literal;
  };
  switch (n.kind) {
    case Node::kAnd: {
      const Truth l = Eval(n.left, row);
      if (l == Truth::kFalse) return Truth::kFalse;
      const Truth r = Eval(n.right, row);
      if (r == Truth::kFalse) return Truth::kFalse;
      return (l == Truth::kTrue && r == Truth::kTrue) ? Truth::kTrue : Truth::kUnknown;
    }
    case Node::kOr: {
      const Truth l = Eval(n.left, row);
      if (l == Truth::kTrue) return Truth::kTrue;
      const Truth r = Eval(n.right, row);
      if (r == Truth::kTrue) return Truth::kTrue;
      return (l == Truth::kFalse && r == Truth::kFalse) ? Truth::kFalse : Truth::kUnknown;
    }
    case Node::kNot: {
      const Truth t = Eval(n.left, row);
      if (t == Truth::kUnknown) return t;
      return t == Truth::kTrue ? Truth::kFalse : Truth::kTrue;
    }
    case Node::kIsNull:
      return value(n.a).isNull() ? Truth::kTrue : Truth::kFalse;
    case Node::kIsNotNull:
      return value(n.a).isNull() ? Truth::kFalse : Truth::kTrue;
    case Node::kCompare: {
      const std::optional<int> c = CompareValues(value(n.a), value(n.b));
      if (!c) return Truth::kUnknown;
      bool r = false;
      if (n.op == u"=")
        r = *c == 0;
      else if (n.op == u"<>")
        r = *c != 0;
      else if (n.op == u"<")
        r = *c < 0;
      else if (n.op == u">")
        r = *c > 0;
      else if (n.op == u"<=")
        r = *c <= 0;
      else
        r = *c >= 0;
      return r ? Truth::kTrue : Truth::kFalse;
    }
  }
  return Truth::kUnknown;
}

}  // namespace kvsys
