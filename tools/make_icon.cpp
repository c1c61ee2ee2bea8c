// Draws mirt's icon as PNG files of the hicolor sizes:
//   make_icon OUT_DIR   writes OUT_DIR/NxN/apps/io.github.mirt.Mirt.png
// The same picture as dist/io.github.mirt.Mirt.svg: a night-blue rounded
// square with a moon, and a message box holding three lines of text.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>

namespace {

QImage Draw(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);
  // The night sky.
  QLinearGradient sky(0, 0, 0, 256);
  sky.setColorAt(0, QColor(0x1d, 0x2b, 0x5c));
  sky.setColorAt(1, QColor(0x4a, 0x2c, 0x6e));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
  // The moon: a disc with a bite taken out of it.
  QPainterPath moon, bite;
  moon.addEllipse(QRectF(140, 30, 76, 76));
  bite.addEllipse(QRectF(162, 20, 70, 70));
  p.setBrush(QColor(0xff, 0xe0, 0x8a));
  p.drawPath(moon.subtracted(bite));
  // The message box and its lines of text.
  p.setBrush(QColor(0, 0, 0x60, 190));
  p.setPen(QPen(QColor(0xff, 0xff, 0xff, 230), 6));
  p.drawRoundedRect(QRectF(30, 130, 196, 94), 14, 14);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(50, 150, 140, 14), 7, 7);
  p.drawRoundedRect(QRectF(50, 172, 110, 14), 7, 7);
  p.drawRoundedRect(QRectF(50, 194, 80, 14), 7, 7);
  // The wait arrow.
  QPainterPath arrow;
  arrow.moveTo(188, 192);
  arrow.lineTo(208, 192);
  arrow.lineTo(198, 206);
  arrow.closeSubpath();
  p.setBrush(QColor(0xff, 0xc8, 0x00));
  p.drawPath(arrow);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUT_DIR\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
    if (!QDir().mkpath(dir) || !Draw(size).save(dir + "/io.github.mirt.Mirt.png", "PNG")) {
      std::fprintf(stderr, "make_icon: cannot write %s\n", dir.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
