#include "platform/qt/GameChooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace mirt {
namespace {

class Chooser : public QDialog {
 public:
  Chooser(const std::vector<std::string>& recent,
          const std::function<bool(const std::string&)>& isGame)
      : isGame_(isGame) {
    setWindowTitle(QStringLiteral("Mirt"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        recent.empty() ? QStringLiteral("Choose the folder of a game (it holds init.def).")
                       : QStringLiteral("Games played lately, or open another game's "
                                        "folder (it holds init.def):")));
    list_ = new QListWidget;
    for (const std::string& g : recent) {
      auto* item = new QListWidgetItem(QString::fromLocal8Bit(g.c_str()), list_);
      item->setData(Qt::UserRole, QByteArray::fromStdString(g));
    }
    list_->setVisible(!recent.empty());
    if (!recent.empty()) list_->setCurrentRow(0);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox;
    QPushButton* browse =
        buttons->addButton(QStringLiteral("Open a folder…"), QDialogButtonBox::ActionRole);
    play_ = buttons->addButton(QStringLiteral("Play"), QDialogButtonBox::AcceptRole);
    play_->setEnabled(!recent.empty());
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { TakeSelected(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, [this] { TakeSelected(); });
    resize(480, recent.empty() ? 120 : 320);
  }

  std::string chosen() const { return chosen_; }

 private:
  void TakeSelected() {
    if (QListWidgetItem* item = list_->currentItem())
      Take(item->data(Qt::UserRole).toByteArray().toStdString());
  }
  void Browse() {
    const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("The game's folder"),
                                                          QDir::homePath());
    if (!dir.isEmpty()) Take(dir.toLocal8Bit().toStdString());
  }
  void Take(const std::string& folder) {
    if (!isGame_(folder)) {
      QMessageBox::warning(this, QStringLiteral("Mirt"),
                           QStringLiteral("%1 holds no init.def, so it is not a game folder. "
                                          "Choose the folder that holds the game's init.def.")
                               .arg(QString::fromLocal8Bit(folder.c_str())));
      return;  // the chooser stays
    }
    chosen_ = folder;
    accept();
  }

  std::function<bool(const std::string&)> isGame_;
  QListWidget* list_ = nullptr;
  QPushButton* play_ = nullptr;
  std::string chosen_;
};

}  // namespace

std::string ChooseGameFolder(const std::vector<std::string>& recent,
                             const std::function<bool(const std::string&)>& isGame) {
  Chooser c(recent, isGame);
  return c.exec() == QDialog::Accepted ? c.chosen() : "";
}

}  // namespace mirt
