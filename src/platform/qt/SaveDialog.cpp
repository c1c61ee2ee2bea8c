#include "platform/qt/SaveDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtText.h"

namespace mirt {
namespace {

constexpr int kIconWidth = 128, kIconHeight = 96;
// A cell of the grid: the picture with two lines of text under it.
constexpr int kCellWidth = 200, kCellHeight = kIconHeight + 60;

// A slot without a picture shows a grey frame, so the captions line up.
QIcon EntryIcon(const SaveDialogEntry& e) {
  QPixmap pixmap(kIconWidth, kIconHeight);
  if (!e.picture.isNull()) {
    pixmap = QPixmap::fromImage(
        e.picture.scaled(kIconWidth, kIconHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  } else {
    pixmap.fill(QColor(48, 48, 48));
  }
  return QIcon(pixmap);
}

// The list takes Enter as the dialog's one action.
class SlotList : public QListWidget {
 public:
  using QListWidget::QListWidget;
  std::function<void()> enter;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && enter) {
      enter();
      return;
    }
    QListWidget::keyPressEvent(e);
  }
};

}  // namespace

std::optional<std::pair<SaveDialogAction, int>> RunSaveDialog(const SaveDialogModel& model,
                                                              QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromUtf8("セーブ/ロード"));
  dialog.setAccessibleName(dialog.windowTitle());

  auto* list = new SlotList(&dialog);
  // The slots in a grid, three to a row, that the arrow keys (and the
  // controller's d-pad) move through in both directions.
  list->setViewMode(QListView::IconMode);
  list->setMovement(QListView::Static);
  list->setResizeMode(QListView::Adjust);
  list->setWrapping(true);
  list->setWordWrap(true);
  list->setUniformItemSizes(true);
  list->setIconSize(QSize(kIconWidth, kIconHeight));
  list->setGridSize(QSize(kCellWidth, kCellHeight));
  list->setAccessibleName(QString::fromUtf8("セーブデータ"));
  for (const SaveDialogEntry& e : model.entries) {
    QString text = fromCp932(e.caption);
    if (!e.line.empty()) text += QStringLiteral("\n") + fromCp932(e.line);
    auto* item = new QListWidgetItem(EntryIcon(e), text, list);
    item->setData(Qt::UserRole, e.slot);
    item->setData(Qt::AccessibleTextRole, text);
  }
  list->setMinimumSize(3 * kCellWidth + 24, 2 * kCellHeight + kCellHeight / 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("閉じる"));
  QPushButton* save =
      buttons->addButton(QString::fromUtf8("セーブ(&S)"), QDialogButtonBox::ActionRole);
  QPushButton* load =
      buttons->addButton(QString::fromUtf8("ロード(&L)"), QDialogButtonBox::ActionRole);
  save->setAutoDefault(false);
  load->setAutoDefault(false);

  std::optional<std::pair<SaveDialogAction, int>> chosen;
  auto current = [&]() -> const SaveDialogEntry* {
    const int row = list->currentRow();
    return row >= 0 && row < int(model.entries.size()) ? &model.entries[row] : nullptr;
  };
  auto update = [&] {
    const SaveDialogEntry* e = current();
    save->setEnabled(e && model.saveEnabled);
    // An empty slot has nothing to load.
    load->setEnabled(e && model.loadEnabled && e->saved);
  };
  auto act = [&](SaveDialogAction action) {
    const SaveDialogEntry* e = current();
    if (!e) return;
    chosen = std::make_pair(action, e->slot);
    dialog.accept();
  };
  QObject::connect(list, &QListWidget::currentRowChanged, &dialog, [&](int) { update(); });
  QObject::connect(save, &QPushButton::clicked, &dialog, [&] { act(SaveDialogAction::Save); });
  QObject::connect(load, &QPushButton::clicked, &dialog, [&] { act(SaveDialogAction::Load); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto enter = [&] {
    if (load->isEnabled())
      act(SaveDialogAction::Load);
    else if (save->isEnabled())
      act(SaveDialogAction::Save);
  };
  list->enter = enter;
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [&] { enter(); });

  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(buttons);
  list->setCurrentRow(0);
  update();
  list->setFocus();
  dialog.exec();
  return chosen;
}

}  // namespace mirt
