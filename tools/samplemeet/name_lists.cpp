#include "samplemeet/name_lists.h"

namespace kvsys::samplemeet {

namespace {

// Words are separated by blanks; "_" stands for a blank inside a word.
QStringList Split(const char* words) {
  QStringList list = QString::fromUtf8(words).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (QString& word : list) word.replace(QLatin1Char('_'), QLatin1Char(' '));
  return list;
}

}  // namespace

const QStringList& FamilyNames() {
  static const QStringList names = Split(
      "佐藤 鈴木 高橋 田中 伊藤 渡辺 山本 中村 小林 加藤 吉田 山田 佐々木 山口 松本 井上 "
      "木村 林 斎藤 清水 山崎 森 池田 橋本 阿部 石川 山下 中島 石井 小川 前田 岡田 長谷川 "
      "藤田 後藤 近藤 村上 遠藤 青木 坂本 斉藤 福田 太田 西村 藤井 金子 岡本 藤原 中野 三浦 "
      "原田 中川 松田 竹内 小野 田村 中山 和田 石田 森田 上田 原 柴田 酒井 工藤 横山 宮崎 "
      "宮本 内田 高木 安藤 島田 谷口 大野 高田 丸山 今井 河野 藤本 村田 武田 上野 杉山 増田 "
      "小山 大塚 平野 菅原 久保 松井 千葉 岩崎 桜井 木下 野口 松尾 菊地 野村 新井 渡部 髙橋 "
      "齋藤 澤田 濱田 邊見");
  return names;
}

const QStringList& MaleGivenNames() {
  static const QStringList names = Split(
      "蓮 湊 陽翔 樹 悠真 大和 蒼 颯太 陽斗 翔 太郎 健 一郎 大輔 悠人 朝陽 奏太 律 碧 陸 "
      "悠斗 大翔 湊斗 颯真 蒼空 結翔 陽向 新 海斗 優斗 拓海 健太 翔太 大樹 直樹 和也 "
      "隼人 亮 誠 智也 光 航 慎之介 龍之介 晴");
  return names;
}

const QStringList& FemaleGivenNames() {
  static const QStringList names = Split(
      "陽葵 凛 詩 結菜 杏 紬 結衣 花子 美咲 さくら 陽菜 彩花 芽依 莉子 葵 心春 澪 結愛 "
      "美月 楓 琴音 咲良 七海 千尋 真央 由奈 愛子 恵 舞 綾乃 遥 菜々子 彩 萌 優花 "
      "ひなた あかり 美羽 朱里 栞");
  return names;
}

const QStringList& ClubNames() {
  static const QStringList names = Split(
      "市民スイミングクラブ ＡＢＣ水泳 みなとＳＣ ｽｲﾐﾝｸﾞ北 Aqua_Club 東京ＳＣ 大阪水泳学校 "
      "セントラル横浜 コナミ船橋 イトマン川崎 ルネサンス所沢 ＪＳＳ千葉 ＮＡＳ浦和 "
      "ダッシュ海老名 メガロス府中 ＳＷＩＭ　ＴＥＡＭ 桜スイミング 若葉水泳クラブ "
      "フジタドルフィン 金町ＳＣ");
  return names;
}

const QStringList& SchoolNames() {
  static const QStringList names = Split(
      "東小学校 西小学校 南小学校 北小学校 中央小学校 桜ヶ丘小学校 中央中学校 港中学校 "
      "西中学校 北中学校 南中学校 第一中学校 緑ヶ丘中学校 北高校 港北高校 県立南高校 "
      "市立第二高校 私立学園高校 水泳大学 体育大学 国際大学");
  return names;
}

const QStringList& PrefectureNames() {
  static const QStringList names = Split(
      "北海道 青森県 岩手県 宮城県 秋田県 山形県 福島県 茨城県 栃木県 群馬県 埼玉県 千葉県 "
      "東京都 神奈川県 新潟県 富山県 石川県 福井県 山梨県 長野県 岐阜県 静岡県 愛知県 三重県 "
      "滋賀県 京都府 大阪府 兵庫県 奈良県 和歌山県 鳥取県 島根県 岡山県 広島県 山口県 "
      "徳島県 香川県 愛媛県 高知県 福岡県 佐賀県 長崎県 熊本県 大分県 宮崎県 鹿児島県 "
      "沖縄県");
  return names;
}

const QStringList& CityNames() {
  static const QStringList names =
      Split("横浜 川崎 相模原 千葉 船橋 さいたま 所沢 八王子 府中 町田 藤沢 静岡 浜松 仙台");
  return names;
}

const QStringList& RecordMarks() {
  static const QStringList names = Split("大会新 県新 日本新 学童新 大会タイ 大会新記録");
  return names;
}

}  // namespace kvsys::samplemeet
