#include "platform/qt/SpeechWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "platform/Speech.h"

namespace mirt {

void RunSpeechWindow(Speech& speech, const std::function<void(const SpeechSettings&)>& apply,
                     QWidget* parent) {
  const SpeechSettings before = speech.settings();
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromUtf8("読み上げの設定"));
  dialog.setAccessibleName(dialog.windowTitle());

  auto* voice = new QComboBox(&dialog);
  voice->setAccessibleName(QString::fromUtf8("声"));
  voice->addItem(QString::fromUtf8("（既定の声）"), QString());
  for (const std::string& name : speech.VoiceNames())
    voice->addItem(QString::fromStdString(name), QString::fromStdString(name));
  const int at = voice->findData(QString::fromStdString(before.voice));
  voice->setCurrentIndex(at < 0 ? 0 : at);

  // Sliders in tenths: rate -10..10, volume 0..10.
  auto* rate = new QSlider(Qt::Horizontal, &dialog);
  rate->setRange(-10, 10);
  rate->setValue(int(std::lround(before.rate * 10)));
  rate->setAccessibleName(QString::fromUtf8("速さ"));
  auto* volume = new QSlider(Qt::Horizontal, &dialog);
  volume->setRange(0, 10);
  volume->setValue(int(std::lround(before.volume * 10)));
  volume->setAccessibleName(QString::fromUtf8("音量"));

  auto chosen = [&] {
    SpeechSettings s;
    s.voice = voice->currentData().toString().toStdString();
    s.rate = rate->value() / 10.0;
    s.volume = volume->value() / 10.0;
    return s;
  };

  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8("声(&O):"), voice);
  form->addRow(QString::fromUtf8("速さ(&R):"), rate);
  form->addRow(QString::fromUtf8("音量(&L):"), volume);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton* test =
      buttons->addButton(QString::fromUtf8("試しに読む(&T)"), QDialogButtonBox::ActionRole);
  QObject::connect(test, &QPushButton::clicked, &dialog, [&] {
    speech.Apply(chosen());
    speech.Say(QString::fromUtf8("これは読み上げの見本です。This is how the story is read."), true);
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);

  if (dialog.exec() == QDialog::Accepted) {
    apply(chosen());
  } else {
    speech.Stop();
    speech.Apply(before);  // the trial settings go back
  }
}

}  // namespace mirt
