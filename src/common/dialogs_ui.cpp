#include "common/dialogs_ui.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "common/window_ui.h"

namespace kvsys {

Answer QtDialogs::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                         const QString& title, int default_button) {
  QMessageBox box(parent_ ? parent_ : QApplication::activeWindow());
  // The stored texts use a bare carriage return as the line break.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  box.setText(shown);
  box.setWindowTitle(title);
  switch (icon) {
    case MsgIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MsgIcon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  std::vector<std::pair<QPushButton*, Answer>> order;
  auto add = [&](const QString& caption, QMessageBox::ButtonRole role, Answer answer) {
    order.emplace_back(box.addButton(caption, role), answer);
  };
  switch (buttons) {
    case MsgButtons::Ok:
      add(QStringLiteral("OK"), QMessageBox::AcceptRole, Answer::Ok);
      break;
    case MsgButtons::OkCancel:
      add(QStringLiteral("OK"), QMessageBox::AcceptRole, Answer::Ok);
      add(QStringLiteral("キャンセル"), QMessageBox::RejectRole, Answer::Cancel);
      break;
    case MsgButtons::YesNo:
      add(QStringLiteral("はい(&Y)"), QMessageBox::YesRole, Answer::Yes);
      add(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole, Answer::No);
      break;
    case MsgButtons::YesNoCancel:
      add(QStringLiteral("はい(&Y)"), QMessageBox::YesRole, Answer::Yes);
      add(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole, Answer::No);
      add(QStringLiteral("キャンセル"), QMessageBox::RejectRole, Answer::Cancel);
      break;
  }
  const int index = default_button - 1;
  if (index >= 0 && index < static_cast<int>(order.size())) {
    box.setDefaultButton(order[static_cast<size_t>(index)].first);
  }
  box.exec();
  for (const auto& [button, answer] : order) {
    if (box.clickedButton() == button) return answer;
  }
  // Closed with Esc or the window's close box.
  if (buttons == MsgButtons::YesNo) return Answer::No;
  return buttons == MsgButtons::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtDialogs::InputBox(const QString& prompt, const QString& title,
                                           const QString& default_text) {
  bool ok = false;
  QString value = QInputDialog::getText(parent_ ? parent_ : QApplication::activeWindow(), title,
                                        prompt, QLineEdit::Normal, default_text, &ok);
  if (!ok) return std::nullopt;
  return value;
}

QString QtDialogs::BrowseFolder(QWidget* owner, const QString& prompt,
                                const QString& start_folder) {
  // The platform's own chooser where there is one; it opens where the meets were found last,
  // else at the desktop.
  QString start = start_folder;
  if (start.endsWith(QLatin1Char('\\'))) start.chop(1);
  if (start.isEmpty() || !QFileInfo(start).isDir()) {
    start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  }
  return QFileDialog::getExistingDirectory(owner ? owner : parent_, prompt, start,
                                           QFileDialog::ShowDirsOnly);
}

QString QtDialogs::ChooseFile(QWidget* owner, const QString& prompt, const QString& start_folder,
                              const QString& filter) {
  const QString start = QFileInfo(start_folder).isDir()
                            ? start_folder
                            : QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return QFileDialog::getOpenFileName(owner ? owner : parent_, prompt, start, filter);
}

bool QtDialogs::ConfirmTable(const QString& title, const QStringList& headers,
                             const std::vector<QStringList>& rows, const QString& accept,
                             const QString& reject) {
  QDialog dialog(parent_ ? parent_ : QApplication::activeWindow());
  // The first line is the window's title; the lines after it are read before the table.
  const qsizetype title_end = title.indexOf(u'\n');
  dialog.setWindowTitle(title.left(title_end));
  QLabel* notes = nullptr;
  if (title_end >= 0) {
    notes = Named(new QLabel(title.mid(title_end + 1)), "CheckNotes");
    notes->setWordWrap(true);
    notes->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
  }
  auto* table =
      Named(new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size())),
            "CheckTable");
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  for (int r = 0; r < table->rowCount(); ++r) {
    const QStringList& cells = rows[static_cast<size_t>(r)];
    for (int c = 0; c < table->columnCount() && c < cells.size(); ++c) {
      table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
  }
  table->resizeColumnsToContents();
  table->resizeRowsToContents();
  auto* buttons = new QDialogButtonBox;
  QPushButton* accept_button =
      Named(buttons->addButton(accept, QDialogButtonBox::AcceptRole), "AcceptButton");
  Named(buttons->addButton(reject, QDialogButtonBox::RejectRole), "RejectButton");
  // Enter prints; Esc (the dialog's reject) goes back without printing.
  accept_button->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  if (notes) layout->addWidget(notes);
  layout->addWidget(table);
  layout->addWidget(buttons);
  // As large as the table, within the screen; a longer table scrolls.
  const int width = std::max(table->verticalHeader()->width() +
                                 table->horizontalHeader()->length() + table->frameWidth() * 2 + 40,
                             notes ? 640 : 0);
  const int height = table->horizontalHeader()->height() + table->verticalHeader()->length() +
                     table->frameWidth() * 2 + 80 + (notes ? notes->sizeHint().height() + 12 : 0);
  const QRect screen =
      dialog.screen() ? dialog.screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  dialog.resize(std::min(width, screen.width() * 9 / 10),
                std::min(height, screen.height() * 8 / 10));
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace kvsys
