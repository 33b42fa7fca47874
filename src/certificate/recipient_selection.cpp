// What a print run asks the results database for, and how a result row becomes the texts of
// a certificate.
#include "certificate/recipient_selection.h"

#include "common/byte_text.h"
#include "common/text_util.h"

namespace kvsys {

int RankLimits::ForStage(const QString& stage) const {
  const QString s = TrimBlanks(stage);
  if (s == QStringLiteral("予選")) return heats;
  if (s == QStringLiteral("タイム決勝")) return timed_final;
  if (s == QStringLiteral("決勝") || s == QStringLiteral("Ａ決勝") ||
      s == QStringLiteral("Ａ－決勝")) {
    return final;
  }
  if (s == QStringLiteral("Ｂ決勝") || s == QStringLiteral("Ｂ－決勝")) return b_final;
  return 0;
}

bool IsRelayStroke(const QString& stroke) {
  return TrimBlanks(stroke).endsWith(QStringLiteral("リレー"));
}

QString RankedStatusCondition(bool exclude_open) {
  return exclude_open ? QStringLiteral("(事由入力ステータス = 0)")
                      : QStringLiteral("(事由入力ステータス = 0 OR 事由入力ステータス = 4)");
}

QString PendingCondition(bool exclude_open) {
  return QStringLiteral(
             "((ゴール IS NULL OR TRIM(ゴール) = '') AND (事由入力ステータス IS NULL OR %1))")
      .arg(RankedStatusCondition(exclude_open));
}

QString MakeEventName(const ProgramEvent& event) {
  return TrimBlanks(event.sex) + TrimBlanks(event.distance) + TrimBlanks(event.stroke);
}

QString FormatGoalTime(const QString& goal) {
  if (TrimBlanks(goal).isEmpty() || ByteLen(goal) < 8) return QString();
  const QString minutes = goal.mid(0, 2);
  const QChar last = goal.at(7) == QLatin1Char('#') ? QLatin1Char('0') : goal.at(7);
  QString text =
      minutes + QStringLiteral("分") + goal.mid(3, 2) + QStringLiteral("秒") + goal.at(6) + last;
  if (ToInt(minutes) < 1) text = text.mid(3);
  qsizetype blanks = 0;
  while (blanks < text.size() &&
         (text.at(blanks) == QLatin1Char(' ') || text.at(blanks) == QChar(0x3000))) {
    ++blanks;
  }
  return text.mid(blanks);
}

QString MakeRecordText(const QString& goal, const QString& mark) {
  QString text = FormatGoalTime(goal);
  if (!TrimBlanks(mark).isEmpty()) {
    text += QStringLiteral("  ") + PadBytes(LeftBytes(mark, kRecordMarkBytes), kRecordMarkBytes);
  }
  return text;
}

QString CutRecordMark(const QString& mark) {
  return ByteLen(TrimBlanks(mark)) > kRecordMarkBytes ? TrimBlanks(mark) : QString();
}

QString MakeRankText(int rank, bool open_entrant) {
  return open_entrant ? QStringLiteral("OP") : ToFullWidth(QString::number(rank));
}

QString ResultsQuery(int event_number, bool relay, const ResultsFilter& filter) {
  QString sql;
  if (relay) {
    sql = QStringLiteral(
              " SELECT 記録マスター.*, チームマスター.チーム名, 選手マスター_1.氏名, "
              "選手マスター_2.氏名, 選手マスター_3.氏名, 選手マスター_4.氏名") +
          QStringLiteral(
              " FROM ((((記録マスター INNER JOIN チームマスター ON 記録マスター.選手番号 "
              "= チームマスター.チーム番号) ") +
          QStringLiteral(
              " LEFT JOIN 選手マスター AS 選手マスター_1 ON 記録マスター.第１泳者 = "
              "選手マスター_1.選手番号) ") +
          QStringLiteral(
              " LEFT JOIN 選手マスター AS 選手マスター_2 ON 記録マスター.第２泳者 = "
              "選手マスター_2.選手番号) ") +
          QStringLiteral(
              " LEFT JOIN 選手マスター AS 選手マスター_3 ON 記録マスター.第３泳者 = "
              "選手マスター_3.選手番号) ") +
          QStringLiteral(
              " LEFT JOIN 選手マスター AS 選手マスター_4 ON 記録マスター.第４泳者 = "
              "選手マスター_4.選手番号  ") +
          QStringLiteral(" WHERE 記録マスター.競技番号 = ") + QString::number(event_number);
  } else {
    // The swimmer's affiliation names come with the row: one statement for the event, not one
    // for every swimmer.
    sql = QStringLiteral(
              " SELECT 記録マスター.*,選手マスター.主所属,選手マスター.氏名,"
              "選手マスター.所属名称１,選手マスター.所属名称２,選手マスター.所属名称３ ") +
          QStringLiteral(
              " FROM (記録マスター INNER JOIN 選手マスター ON 記録マスター.選手番号 = "
              "選手マスター.選手番号) ") +
          QStringLiteral(" WHERE 記録マスター.競技番号 = ") + QString::number(event_number);
  }
  if (filter.heat != 0) sql += QStringLiteral(" AND 組 = ") + QString::number(filter.heat);
  sql += QStringLiteral(" AND ") + RankedStatusCondition(filter.exclude_open) + QLatin1Char(' ');
  const QString order =
      QStringLiteral(" AND ゴール<>'' ORDER BY 事由入力ステータス,ゴール ASC,組,水路");
  if (!filter.class_wise) {
    sql += order;
  } else if (filter.class_no != 0) {
    sql += (relay ? QStringLiteral(" AND 記録マスター.クラス番号 = ")
                  : QStringLiteral(" AND クラス番号 = ")) +
           QString::number(filter.class_no) + order;
  } else {
    sql += relay ? QStringLiteral(
                       " AND ゴール<>'' ORDER BY "
                       "記録マスター.クラス番号,事由入力ステータス,ゴール ASC,組,水路")
                 : QStringLiteral(
                       " AND ゴール<>'' ORDER BY クラス番号,事由入力ステータス,ゴール ASC,組,水路");
  }
  return sql;
}

}  // namespace kvsys
