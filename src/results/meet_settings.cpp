#include "results/meet_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>
#include <exception>
#include <optional>

#include "common/text_util.h"
#include "results/results_error.h"

namespace kvsys {

namespace {

const QString kSettingsTitle = QStringLiteral("Ｓｙｓｄ取得");
const QString kNameTitle = QStringLiteral("大会名取得");
const QString kClassesTitle = QStringLiteral("クラス有無取得");
const QString kSettingsTable = QStringLiteral("大会設定");
const QString kLaneBoxTable = QStringLiteral("レーンボックス");

// Reads the columns of the current row and keeps the first error instead of raising it, so
// that one missing column costs only its own field.
class RowReader {
 public:
  explicit RowReader(const Recordset& rs) : rs_(rs) {}

  QVariant Get(const QString& column) {
    try {
      return rs_.Field(column);
    } catch (const DbError& error) {
      if (!error_) error_ = error;
      return {};
    }
  }
  int16_t Int(const QString& column, int16_t fallback) {
    return ToInt16(Get(column)).value_or(fallback);
  }
  QString Text(const QString& column, int width) {
    return NullTo(Get(column), kNullToLeftBytes, width).toString();
  }
  bool Truth(const QString& column) { return ToInt16(Get(column)).value_or(0) != 0; }
  const std::optional<DbError>& error() const { return error_; }

 private:
  const Recordset& rs_;
  std::optional<DbError> error_;
};

// The last digit of a lane-box value; a null or non-numeric value counts as 0.
QChar LastDigit(const QVariant& value) {
  if (const auto number = ToInt16(value)) {
    return QLatin1Char(static_cast<char>('0' + std::abs(*number % 10)));
  }
  const QString text = TrimBlanks(value.toString());
  if (!text.isEmpty() && text.back() >= QLatin1Char('0') && text.back() <= QLatin1Char('9')) {
    return text.back();
  }
  return QLatin1Char('0');
}

void ReadSettingsRow(RowReader& row, MeetSettings& s) {
  s.クラス分け = row.Truth(QStringLiteral("クラス分け"));
  s.選手使用所属 = row.Int(QStringLiteral("選手使用所属"), 1);
  s.タッチ板 = row.Int(QStringLiteral("タッチ板"), 1);
  s.使用水路予選 = row.Int(QStringLiteral("使用水路予選"), 8);
  s.使用水路タイム決勝 = row.Int(QStringLiteral("使用水路タイム決勝"), 8);
  s.使用水路決勝 = row.Int(QStringLiteral("使用水路決勝"), 8);
  s.団体名 = row.Int(QStringLiteral("団体名"), 1);
  s.選手エントリーチェック = row.Int(QStringLiteral("選手エントリーチェック"), 1);
  s.プール = row.Int(QStringLiteral("プール"), 1);
  s.大会名印刷 = row.Int(QStringLiteral("大会名印刷"), 1);
  s.備考欄 = row.Int(QStringLiteral("備考欄"), 1);
  s.プールコンディション = row.Int(QStringLiteral("プールコンディション"), 1);
  s.新記録上段 = ToInt(row.Text(QStringLiteral("新記録上段"), kRecordSettingWidth));
  s.新記録下段 = ToInt(row.Text(QStringLiteral("新記録下段"), kRecordSettingWidth));
  s.学校 = row.Int(QStringLiteral("学校"), 1);
  s.ラップ = row.Int(QStringLiteral("ラップ"), 1);
  s.印刷用競技番号 = row.Int(QStringLiteral("印刷用競技番号"), 2);
  s.大会名1 = row.Text(QStringLiteral("大会名1"), kMeetNameWidth);
  s.大会名2 = row.Text(QStringLiteral("大会名2"), kMeetNameWidth);
  s.WholeName1 = TrimBlanks(row.Get(QStringLiteral("大会名1")).toString());
  s.WholeName2 = TrimBlanks(row.Get(QStringLiteral("大会名2")).toString());
  s.開催地 = row.Text(QStringLiteral("開催地"), kVenueWidth);
  s.備考 = row.Text(QStringLiteral("備考"), kRemarksWidth);
  s.始期間 = row.Text(QStringLiteral("始期間"), kDateWidth);
  s.終期間 = row.Text(QStringLiteral("終期間"), kDateWidth);
  s.組内最少人数 = row.Int(QStringLiteral("組内最少人数"), 3);
}

// Returns false when the stage met an error that was reported (the load ends there).
bool LoadSettingsStage(Database& db, DbErrorState& state, Dialogs& dialogs, MeetSettings& s) {
  try {
    auto rs = db.OpenRecordset(kSettingsTable, dbOpenSnapshot, dbReadOnly);
    if (rs->Eof()) throw DbError(dberr::kNoCurrentRecord);
    RowReader row(*rs);
    ReadSettingsRow(row, s);
    rs->Close();
    if (row.error()) {
      return !ReportDbError(dialogs, state, *row.error(), kSettingsTitle, kTargetMeetSettings);
    }
  } catch (const DbError& error) {
    return !ReportDbError(dialogs, state, error, kSettingsTitle, kTargetMeetSettings);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kSettingsTitle);
    return false;
  }
  return true;
}

void LoadLaneBoxStage(Database& db, DbErrorState& state, Dialogs& dialogs, MeetSettings& s) {
  QString boxes;
  QString uses;
  // Positions that could not be read count as missing rows, so both fields keep ten digits.
  const auto fill_missing = [&] {
    for (int i = static_cast<int>(boxes.size()) + 1; i <= 10; ++i) {
      boxes += QLatin1Char(static_cast<char>('0' + i % 10));
      uses += QLatin1Char('1');
    }
  };
  try {
    auto rs = db.OpenRecordset(kLaneBoxTable, dbOpenSnapshot, dbReadOnly);
    RowReader row(*rs);
    for (int i = 1; i <= 10; ++i) {
      rs->FindFirst(QStringLiteral("番号 = %1").arg(i));
      if (rs->NoMatch()) {
        boxes += QLatin1Char(static_cast<char>('0' + i % 10));
        uses += QLatin1Char('1');
      } else {
        boxes += LastDigit(row.Get(QStringLiteral("レーンボックス")));
        uses += row.Truth(QStringLiteral("班組使用水路")) ? QLatin1Char('1') : QLatin1Char('2');
      }
    }
    rs->Close();
    s.LaneBoxDigits = boxes;
    s.LaneUseDigits = uses;
    if (row.error()) ReportDbError(dialogs, state, *row.error(), kSettingsTitle, kTargetLaneBoxes);
  } catch (const DbError& error) {
    fill_missing();
    s.LaneBoxDigits = boxes;
    s.LaneUseDigits = uses;
    ReportDbError(dialogs, state, error, kSettingsTitle, kTargetLaneBoxes);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kSettingsTitle);
  }
}

// A column of the first 大会設定 row as text, without a null replacement.
QString ReadMeetText(Database& db, DbErrorState& state, Dialogs& dialogs, const QString& column) {
  try {
    auto rs = db.OpenRecordset(kSettingsTable, dbOpenSnapshot, dbReadOnly);
    if (rs->Eof()) throw DbError(dberr::kNoCurrentRecord);
    const QVariant value = rs->Field(column);
    if (value.isNull()) {
      ReportOtherError(dialogs, kInvalidUseOfNullText, kNameTitle);
      return QString();
    }
    return value.toString();
  } catch (const DbError& error) {
    ReportDbError(dialogs, state, error, kNameTitle, kTargetMeetSettings);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kNameTitle);
  }
  return QString();
}

}  // namespace

int MeetNumberOfFile(const QString& path) {
  const QFileInfo file(path);
  static const QRegularExpression swim_nn(QStringLiteral("^swim(\\d{1,2})\\.mdb$"),
                                          QRegularExpression::CaseInsensitiveOption);
  if (const QRegularExpressionMatch m = swim_nn.match(file.fileName()); m.hasMatch()) {
    return m.captured(1).toInt();
  }
  if (file.fileName().compare(QStringLiteral("SWIM.mdb"), Qt::CaseInsensitive) != 0) return 0;
  static const QRegularExpression nn(QStringLiteral("^\\d{1,2}$"));
  const QString folder = file.absoluteDir().dirName();
  return nn.match(folder).hasMatch() ? folder.toInt() : 0;
}

MeetSettings LoadMeetSettings(Database& db, DbErrorState& state, Dialogs& dialogs) {
  MeetSettings settings;
  if (LoadSettingsStage(db, state, dialogs, settings)) {
    LoadLaneBoxStage(db, state, dialogs, settings);
  }
  return settings;
}

QString GetMeetName1(Database& db, DbErrorState& state, Dialogs& dialogs) {
  return ReadMeetText(db, state, dialogs, QStringLiteral("大会名1"));
}

QString GetMeetName2(Database& db, DbErrorState& state, Dialogs& dialogs) {
  return ReadMeetText(db, state, dialogs, QStringLiteral("大会名2"));
}

QString GetMeetStartDate(Database& db, DbErrorState& state, Dialogs& dialogs) {
  return ReadMeetText(db, state, dialogs, QStringLiteral("始期間"));
}

bool HasClasses(Database& db, DbErrorState& state, Dialogs& dialogs) {
  try {
    auto rs = db.OpenRecordset(kSettingsTable, dbOpenSnapshot, dbReadOnly);
    if (rs->Eof()) throw DbError(dberr::kNoCurrentRecord);
    return ToInt16(rs->Field(QStringLiteral("クラス分け"))).value_or(0) != 0;
  } catch (const DbError& error) {
    ReportDbError(dialogs, state, error, kClassesTitle, kTargetMeetSettings);
  } catch (const std::exception& error) {
    ReportOtherError(dialogs, QString::fromLocal8Bit(error.what()), kClassesTitle);
  }
  return false;
}

}  // namespace kvsys
