#include "db/db_error.h"

#include <QHash>
#include <algorithm>

namespace kvsys {

namespace {

const QHash<int, QString>& Texts() {
  static const QHash<int, QString> texts = {
      {75, QStringLiteral("ファイル名またはパス名が正しくありません。")},
      {76, QStringLiteral("フォルダが見つかりません。")},
      {3000, QStringLiteral("データベースの処理中にエラーが発生しました。")},
      {3001, QStringLiteral("データベースの処理に渡された値が正しくありません。")},
      {3006, QStringLiteral("データベースは他のプログラムが排他的に使用しています。")},
      {3008, QStringLiteral("テーブルは他のプログラムが排他的に使用しています。")},
      {3015, QStringLiteral("指定されたインデックスはこのテーブルにありません。")},
      {3019, QStringLiteral("インデックスが指定されていないため検索できません。")},
      {3020, QStringLiteral("追加または編集を始めずに更新しようとしました。")},
      {3021, QStringLiteral("現在のレコードがありません。")},
      {3022, QStringLiteral("同じキーのデータがすでに登録されています。")},
      {3024, QStringLiteral("データベースファイルが見つかりません。")},
      {3027, QStringLiteral("データベースまたはデータが読み取り専用のため更新できません。")},
      {3028, QStringLiteral("作業用のファイルを開けません。他のプログラムが使用しています。")},
      {3035, QStringLiteral("データベースの処理に必要な資源が足りません。")},
      {3043, QStringLiteral("ディスクまたはネットワークのエラーが発生しました。")},
      {3044, QStringLiteral("データベースファイルのパスが正しくありません。")},
      {3045, QStringLiteral("データベースファイルは他のプログラムが使用中のため開けません。")},
      {3061, QStringLiteral("SQL文に存在しない列名があります。")},
      {3065, QStringLiteral("読み取りのSQL文は実行できません。")},
      {3070, QStringLiteral("検索条件に存在しないフィールド名があります。")},
      {3075, QStringLiteral("SQL文の構文に誤りがあります。")},
      {3077, QStringLiteral("検索条件の式に誤りがあります。")},
      {3078, QStringLiteral("指定されたテーブルが見つかりません。")},
      {3079, QStringLiteral("SQL文の列名が複数のテーブルに当てはまります。")},
      {3142, QStringLiteral("SQL文の終わりの後に文字があります。")},
      {3158, QStringLiteral("他の端末がロックしているためデータを保存できません。")},
      {3159, QStringLiteral("ブックマークが正しくありません。")},
      {3164, QStringLiteral("このフィールドは更新できません。")},
      {3167, QStringLiteral("このデータは他の端末によってすでに削除されています。")},
      {3186, QStringLiteral("他の端末がロックしているためデータを保存できません。")},
      {3187, QStringLiteral("他の端末がロックしているためデータを読み込めません。")},
      {3188, QStringLiteral("この端末の別の処理がロックしているため更新できません。")},
      {3189, QStringLiteral("テーブルは他の端末が排他的にロックしています。")},
      {3197, QStringLiteral("このデータは読み込んだ後に他の端末によって変更されました。")},
      {3202, QStringLiteral("他の端末がロックしているためデータを保存できません。")},
      {3204, QStringLiteral("同じ名前のデータベースファイルがすでにあります。")},
      {3211, QStringLiteral("テーブルは他の端末が使用中のためロックできません。")},
      {3218, QStringLiteral("他の端末がロックしているため更新できません。")},
      {3219, QStringLiteral("この操作はできません。")},
      {3251, QStringLiteral("この種類のレコードセットではこの操作はできません。")},
      {3260, QStringLiteral("他の端末がデータをロックしているため処理できません。")},
      {3261, QStringLiteral("テーブルは他の端末が排他的にロックしています。")},
      {3262, QStringLiteral("テーブルは他の端末が使用中のためロックできません。")},
      {3265, QStringLiteral("指定された名前のフィールドがありません。")},
      {3314, QStringLiteral("このフィールドは空にできません。")},
      {3343, QStringLiteral("データベースの形式を認識できません。")},
      {3349, QStringLiteral("数値がフィールドの範囲を超えています。")},
      {3356, QStringLiteral("データベースは他の端末が排他的に使用しています。")},
      {3420, QStringLiteral("データベースまたはレコードセットはすでに閉じられています。")},
      {3421, QStringLiteral("値をフィールドの型に変換できません。")},
  };
  return texts;
}

constexpr std::array<int, 22> kLockErrors = {3006, 3008, 3022, 3027, 3028, 3043, 3045, 3158,
                                             3164, 3167, 3186, 3187, 3188, 3189, 3197, 3202,
                                             3211, 3218, 3260, 3261, 3262, 3356};

bool IsLockNumber(int number) {
  return std::find(kLockErrors.begin(), kLockErrors.end(), number) != kLockErrors.end();
}

}  // namespace

QString DbErrorText(int number) {
  return Texts().value(number, QStringLiteral("データベースのエラーが発生しました。"));
}

DbError::DbError(int number) : DbError(number, DbErrorText(number)) {}

DbError::DbError(int number, const QString& text, const QString& detail)
    : number_(number), text_(text), detail_(detail) {
  QString full = QStringLiteral("%1 %2").arg(number).arg(text);
  if (!detail.isEmpty()) full += QStringLiteral(" [%1]").arg(detail);
  what_ = full.toStdString();
}

void DbErrorState::ClearExpected() {
  ExpectedErrors.fill(0);
  ExpectedErrorHit = 0;
}

void DbErrorState::SetExpected(std::initializer_list<int> numbers) {
  ClearExpected();
  size_t i = 0;
  for (int n : numbers) {
    if (i == ExpectedErrors.size()) break;
    ExpectedErrors[i++] = static_cast<int16_t>(n);
  }
}

bool DbErrorState::Tolerate(int number) {
  if (number == 0) return false;
  for (int16_t listed : ExpectedErrors) {
    if (listed == number) {
      ExpectedErrorHit = 99;
      return true;
    }
  }
  return false;
}

bool DbErrorState::Tolerate(const DbError& error) {
  return Tolerate(error.number());
}

namespace {
bool SetLockText(int number, const QString& text, DbErrorState& state) {
  if (!IsLockNumber(number)) {
    state.LastDbErrorText.clear();
    return false;
  }
  state.LastDbErrorText = text + QLatin1Char('(') + QString::number(number) + QLatin1Char(')');
  return true;
}
}  // namespace

bool IsDbLockError(int number, DbErrorState& state) {
  return SetLockText(number, DbErrorText(number), state);
}

bool IsDbLockError(const DbError& error, DbErrorState& state) {
  return SetLockText(error.number(), error.text(), state);
}

}  // namespace kvsys
