#include "preview/layout_adjustment.h"

#include <algorithm>
#include <limits>
#include <set>

#include "common/text_util.h"
#include "db/database.h"
#include "db/db_error_report.h"

namespace kvsys {

namespace {

const QString kFontNameMissing = QStringLiteral("FontNameが抜けているところがあります。");
const QString kFontSizeMissing = QStringLiteral("フォントサイズが抜けているところがあります。");
const QString kFontSizeInvalid =
    QStringLiteral("フォントサイズは1から100までの数字を選んで下さい。");
const QString kSelectItem = QStringLiteral("項目は1つ以上選択して下さい。");
const QString kNotSaved = QStringLiteral(
    "現在の表示は、デフォルトです。レイアウトの保存のためには、基本設定で、"
    "内容を決定してください。");
const QString kSaved = QStringLiteral("保存しました。");
const QString kSelectListEntry = QStringLiteral("変更するレイアウトを一覧から選んで下さい。");
const QString kLineBreak = QStringLiteral("\r\n");
constexpr int kMaxFontSize = 100;

int16_t Clamped(int value) {
  return static_cast<int16_t>(std::clamp(value, int{std::numeric_limits<int16_t>::min()},
                                         int{std::numeric_limits<int16_t>::max()}));
}

// Show flags as stored: 1 for hidden, whatever value was read.
std::array<LayoutItem, kLayoutItemCount> AsStored(std::array<LayoutItem, kLayoutItemCount> items) {
  for (LayoutItem& item : items) item.Hidden = item.Hidden != 0 ? 1 : 0;
  return items;
}

bool AnyEmpty(const FontColumn& boxes) {
  return std::any_of(boxes.begin(), boxes.end(), [](const QString& s) { return s.isEmpty(); });
}

}  // namespace

bool MoveSelected(CertificateLayout& layout, const ItemSelection& selected, MoveDirection direction,
                  int step_mm) {
  bool moved = false;
  for (int n = 0; n < kLayoutItemCount; ++n) {
    if (!selected[n]) continue;
    LayoutItem& item = layout.Items[n];
    switch (direction) {
      case MoveDirection::kLeft:
        item.X = Clamped(item.X + step_mm);
        break;
      case MoveDirection::kRight:
        item.X = Clamped(item.X - step_mm);
        break;
      case MoveDirection::kUp:
        item.Y = Clamped(item.Y + step_mm);
        break;
      case MoveDirection::kDown:
        item.Y = Clamped(item.Y - step_mm);
        break;
    }
    moved = true;
  }
  return moved;
}

FontRowTexts FontRowOf(const LayoutItem& item) {
  return {item.FontName, QString::number(item.FontSize), FlagText(item.Bold), FlagText(item.Italic),
          item.Hidden == 0};
}

QStringList SizeChoices() {
  QStringList sizes;
  for (int n = 1; n <= kMaxFontSize; ++n) sizes << QString::number(n);
  return sizes;
}

QString ShowCaption(bool ticked) {
  return ticked ? QStringLiteral("ON") : QStringLiteral("OFF");
}

void LayoutAdjuster::SelectClicked(int item, bool add) {
  if (!add) selection.fill(false);
  if (item >= 0 && item < kLayoutItemCount) selection[item] = true;
}

int ItemAt(const std::vector<ItemPlacement>& placements, QPoint point_twips, int page) {
  for (auto it = placements.rbegin(); it != placements.rend(); ++it) {
    if (it->page == page && !it->rect.isEmpty() && it->rect.contains(point_twips)) {
      return it->item;
    }
  }
  return -1;
}

void LayoutAdjuster::RememberAsRead() {
  as_read_[layout_.CurrentLayoutNumber] = AsStored(layout_.Items);
}

bool LayoutAdjuster::Move(MoveDirection direction, int step_mm) {
  const Items before = layout_.Items;
  if (!MoveSelected(layout_, selection, direction, step_mm)) return false;
  history_.push_back(before);
  return true;
}

bool LayoutAdjuster::SetFontNames(const FontColumn& names) {
  if (AnyEmpty(names)) {
    dialogs_.MsgBox(kFontNameMissing, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    return false;
  }
  Remember();
  for (int n = 0; n < kFontItemCount; ++n) layout_.Items[n].FontName = names[n];
  return true;
}

bool LayoutAdjuster::SetSizes(const FontColumn& sizes) {
  if (AnyEmpty(sizes)) {
    dialogs_.MsgBox(kFontSizeMissing, MsgButtons::Ok, MsgIcon::None, kAppTitle);
    return false;
  }
  std::array<int16_t, kFontItemCount> values{};
  for (int n = 0; n < kFontItemCount; ++n) {
    bool ok = false;
    const int size = sizes[n].trimmed().toInt(&ok);
    // A size typed into the box instead of chosen: only the listed sizes are taken.
    if (!ok || size < 1 || size > kMaxFontSize) {
      dialogs_.MsgBox(kFontSizeInvalid, MsgButtons::Ok, MsgIcon::None, kAppTitle);
      return false;
    }
    values[n] = static_cast<int16_t>(size);
  }
  Remember();
  for (int n = 0; n < kFontItemCount; ++n) layout_.Items[n].FontSize = values[n];
  return true;
}

bool LayoutAdjuster::SetStyles(StyleColumn column, const FontColumn& texts) {
  // A text typed instead of chosen is refused as an empty box is.
  const bool valid = std::all_of(texts.begin(), texts.end(), [](const QString& s) {
    return s == kTrueText || s == kFalseText;
  });
  if (!valid) {
    const QString name =
        column == StyleColumn::kBold ? QStringLiteral("[Bold]") : QStringLiteral("[Italic]");
    dialogs_.MsgBox(QString(10, u' ') + name + kLineBreak + QStringLiteral("Choose ,True or False"),
                    MsgButtons::Ok, MsgIcon::None, kAppTitle);
    return false;
  }
  Remember();
  for (int n = 0; n < kFontItemCount; ++n) {
    const bool on = texts[n] == kTrueText;
    (column == StyleColumn::kBold ? layout_.Items[n].Bold : layout_.Items[n].Italic) = on;
  }
  return true;
}

bool LayoutAdjuster::GiveFontToSelected(const QString& font) {
  if (font.isEmpty()) return false;
  if (std::none_of(selection.begin(), selection.end(), [](bool b) { return b; })) {
    dialogs_.MsgBox(kSelectItem, MsgButtons::Ok, MsgIcon::None, kAppTitle);
    return false;
  }
  Remember();
  // The honorific is drawn in the name's font and has none of its own.
  for (int n = 0; n < kFontItemCount; ++n) {
    if (selection[n]) layout_.Items[n].FontName = font;
  }
  return true;
}

bool LayoutAdjuster::StoreShowFlags(const std::array<bool, kFontItemCount>& shown) {
  for (int n = 0; n < kFontItemCount; ++n) layout_.Items[n].Hidden = shown[n] ? 0 : 1;
  const int number = layout_.CurrentLayoutNumber;
  if (!store_.StoreShowFlags(number, layout_)) return false;
  // What is stored now is this workstation's own writing, not another's change.
  if (auto it = as_read_.find(number); it != as_read_.end()) {
    for (int n = 0; n < kFontItemCount; ++n) it->second[n].Hidden = layout_.Items[n].Hidden;
  }
  return true;
}

bool LayoutAdjuster::ChangedElsewhere(int number) {
  const auto it = as_read_.find(number);
  if (it == as_read_.end()) return false;
  CertificateLayout stored;
  stored.CurrentLayoutNumber = static_cast<int16_t>(number);
  try {
    LoadLayout(db_, stored);
    LoadShowFlags(db_, stored);
  } catch (const DbError&) {
    return false;  // rows gone: the save itself reports the missing data
  }
  return AsStored(stored.Items) != it->second;
}

bool LayoutAdjuster::Save() {
  try {
    const int number = store_.DecidedLayout();
    layout_.CurrentLayoutNumber = static_cast<int16_t>(number);
    const std::optional<QString> name = store_.LayoutName(number);
    if (!name) {
      dialogs_.MsgBox(kNotSaved, MsgButtons::Ok, MsgIcon::None, kAppTitle);
      return false;
    }
    if (dialogs_.MsgBox(*name +
                            QStringLiteral("のレイアウトを現在表示されているものに決定します。") +
                            kLineBreak + QString(13, u' ') + QStringLiteral("よろしいですか？"),
                        MsgButtons::YesNo, MsgIcon::Information, kAppTitle) != Answer::Yes) {
      return false;
    }
    // Compared under the write lock: a save by another workstation cannot come between the
    // comparison and the write and then be overwritten without the question.
    if (!store_.WriteInOneTransaction([&] {
          if (ChangedElsewhere(number) && !store_.ConfirmOverwrite()) return false;
          return store_.SaveLayoutRows(number, layout_);
        })) {
      return false;
    }
    as_read_[number] = AsStored(layout_.Items);
    history_.clear();
  } catch (const DbError& e) {
    ReportDbError(dialogs_, errors_, e, kLayoutSaveTitle);
    return false;
  }
  dialogs_.MsgBox(kSaved, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  return true;
}

bool LayoutAdjuster::Load(std::optional<int> number) {
  CertificateLayout read = layout_;
  try {
    // One read: another workstation saving meanwhile cannot give fonts and positions of one
    // version and show flags of the other.
    ReadTransaction snapshot(db_);
    read.CurrentLayoutNumber = static_cast<int16_t>(number ? *number : store_.DecidedLayout());
    LoadLayout(db_, read);
    LoadShowFlags(db_, read);
  } catch (const DbError& e) {
    // Reported after the read has let go of the file.
    ReportDbError(dialogs_, errors_, e, kLayoutSaveTitle);
    return false;
  }
  layout_ = read;
  as_read_[layout_.CurrentLayoutNumber] = AsStored(layout_.Items);
  history_.clear();
  return true;
}

bool LayoutAdjuster::Reload() {
  return Load(std::nullopt);
}

bool LayoutAdjuster::LoadListed(int number) {
  return Load(number);
}

ChangeResult LayoutAdjuster::ChangeDecided(const std::optional<ListEntry>& entry) {
  // Without an entry the question would name no layout and Yes would decide layout 0.
  if (!entry || entry->number < 1 || entry->number > kMaxLayoutNumber) {
    dialogs_.MsgBox(kSelectListEntry, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return ChangeResult::kRefused;
  }
  if (dialogs_.MsgBox(entry->name + QStringLiteral("に変更しますか？") + kLineBreak +
                          QStringLiteral("変更する場合、もう一度データを読み直す必要があります。"),
                      MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == Answer::Yes &&
      store_.DecideFromPreview(entry->number)) {
    return ChangeResult::kChanged;
  }
  try {
    layout_.CurrentLayoutNumber = static_cast<int16_t>(store_.DecidedLayout());
  } catch (const DbError& e) {
    ReportDbError(dialogs_, errors_, e, kLayoutSaveTitle);
  }
  return ChangeResult::kKept;
}

bool LayoutAdjuster::Unsaved() const {
  if (as_read_.empty()) return false;  // nothing read to compare with
  const Items shown = AsStored(layout_.Items);
  return std::none_of(as_read_.begin(), as_read_.end(),
                      [&shown](const auto& read) { return read.second == shown; });
}

bool LayoutAdjuster::StepBack() {
  if (history_.empty()) return false;
  Items previous = history_.back();
  history_.pop_back();
  // Show flags are stored as soon as they change: stepping back does not bring old ones back.
  for (int n = 0; n < kLayoutItemCount; ++n) previous[n].Hidden = layout_.Items[n].Hidden;
  layout_.Items = previous;
  return true;
}

}  // namespace kvsys
