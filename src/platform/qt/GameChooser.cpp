#include "platform/qt/GameChooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/GameSource.h"
#include "platform/qt/QtText.h"

namespace mirt {
namespace {

class Chooser : public QDialog {
 public:
  Chooser(const std::vector<std::string>& recent,
          const std::function<std::string(const std::string&)>& problem)
      : problem_(problem) {
    setWindowTitle(QStringLiteral("Mirt"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        recent.empty() ? QStringLiteral("Choose the folder of a game (it holds init.def), "
                                        "or a disc image (.iso, .cue).")
                       : QStringLiteral("Games played lately, or open another game's "
                                        "folder (it holds init.def) or disc image:")));
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
    QPushButton* browseImage =
        buttons->addButton(QStringLiteral("Open a disc image…"), QDialogButtonBox::ActionRole);
    play_ = buttons->addButton(QStringLiteral("Play"), QDialogButtonBox::AcceptRole);
    play_->setEnabled(!recent.empty());
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(browseImage, &QPushButton::clicked, this, [this] { BrowseImage(); });
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
  void BrowseImage() {
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("The game's disc image"), QDir::homePath(),
        QStringLiteral("Disc images (*.iso *.cue *.ISO *.CUE)"));
    if (!file.isEmpty()) Take(file.toLocal8Bit().toStdString());
  }
  void Take(const std::string& folder) {
    const std::string problem = problem_(folder);
    if (!problem.empty()) {
      QMessageBox::warning(this, QStringLiteral("Mirt"),
                           QStringLiteral("%1\n\nChoose the folder that holds the game's "
                                          "init.def, or the game's .iso or .cue image.")
                               .arg(QString::fromLocal8Bit(problem.c_str())));
      return;  // the chooser stays
    }
    chosen_ = folder;
    accept();
  }

  std::function<std::string(const std::string&)> problem_;
  QListWidget* list_ = nullptr;
  QPushButton* play_ = nullptr;
  std::string chosen_;
};

}  // namespace

std::string ChooseGameFolder(const std::vector<std::string>& recent,
                             const std::function<std::string(const std::string&)>& problem) {
  Chooser c(recent, problem);
  return c.exec() == QDialog::Accepted ? c.chosen() : "";
}

bool ChooseGameOnDisc(ImageSource* image) {
  QStringList folders;
  for (const std::string& f : image->gameFolders())
    folders << (f.empty() ? QStringLiteral("/") : fromCp932(f));
  bool ok = false;
  const QString taken = QInputDialog::getItem(
      nullptr, QStringLiteral("Mirt"),
      QStringLiteral("This disc holds several games. Which one do you want to play?"), folders, 0,
      false, &ok);
  if (!ok) return false;
  image->chooseGameFolder(size_t(std::max<qsizetype>(0, folders.indexOf(taken))));
  return true;
}

}  // namespace mirt
