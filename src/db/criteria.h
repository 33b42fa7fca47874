#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

namespace kvsys {

// Compares two field values the way searches do: numbers by value (a text that reads as a
// number compares with a number), texts without regard to case. nullopt when either is null
// or the two cannot be compared.
std::optional<int> CompareValues(const QVariant& a, const QVariant& b);

// A search condition of FindFirst: comparisons of a field with a number, a quoted text or
// another field (=, <>, <, >, <=, >=, IS [NOT] NULL), joined by And, Or, Not and parentheses.
// Null compares as unknown, so it never matches.
class Criteria {
 public:
  // field_index gives the column of a name, or -1. Raises DbError 3077 for a text that is not
  // such a condition and 3070 for an unknown field.
  static Criteria Parse(const QString& text, const std::function<int(const QString&)>& field_index);

  // row points at the values of one row, in column order.
  bool Matches(const QVariant* row) const;
  // The columns the condition reads, each once.
  std::vector<int> Fields() const;

 private:
  struct Operand {
    int field = -1;  // column, or -1 for the literal
    QVariant literal;
  };
  struct Node {
    enum Kind { kAnd, kOr, kNot, kCompare, kIsNull, kIsNotNull } kind;
    int left = -1;
    int right = -1;
    QString op;
    Operand a;
    Operand b;
  };
  enum class Truth { kFalse, kTrue, kUnknown };
  Truth Eval(int node, const QVariant* row) const;

  std::vector<Node> nodes_;
  int root_ = -1;
  friend class CriteriaParser;
};

}  // namespace kvsys
