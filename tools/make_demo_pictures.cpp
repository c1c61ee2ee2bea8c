// Writes the demo game's pictures, drawn here from simple shapes:
//
//   room.jpg      background, JPEG
//   sky.ccg       background, packed 4-bit bitmap
//   night.bmp     background, RLE8 bitmap
//   portrait.bmp  opaque character (a framed picture), RLE8 bitmap
//   girl.ccg      colour-key character (magenta ground), packed 8-bit bitmap
//   boy.jpg       mask character: image left, mask right, JPEG
//   ghost.ccg     mask character with a grey (half see-through) mask, packed
//   album.bmp     the history screen's background: a notebook page 600 x 440
//                 and its grey mask beside it (nearly opaque), RLE8 bitmap
//   sun_n.bmp, sun_h.bmp, sun_p.bmp, moon_n.bmp, moon_h.bmp, moon_p.bmp
//                 two picture-choice buttons, each normal, under the pointer
//                 and pressed, on a magenta ground (the bottom-left pixel)
//
//   icon1.bmp     the line-wait indicator: a white arrow, 16 x 16, 24 bits,
//                 magenta (the bottom-left pixel) see-through
//   icon2.bmp     the page-wait indicator: a gold square, the same way
//   wand.cur      the cursor file (32 x 32, 32 bits with alpha and a mask,
//                 the hotspot at the wand's star)
//
//   make_demo_pictures DIR
//
// The build packs the pictures into the archived demo's graphic.dat with
// mirt-tool. The output is the same on every run; the files are kept small
// on purpose.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/LittleEndian.h"
#include "graphics/BmpDecoder.h"
#include "graphics/JpegDecoder.h"
#include "graphics/PackedPicture.h"
#include "platform/HostFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;
using mirt::WriteLe16;
using mirt::WriteLe32;

// An indexed BMP file (4 or 8 bits, or 8 bits RLE8) of a picture drawn in
// at most 16 or 256 exact colours.
Bytes IndexedBmp(const QImage& src, int bits, bool rle) {
  const QImage img = src.convertToFormat(QImage::Format_RGB32);
  std::map<QRgb, int> index;
  std::vector<QRgb> palette;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QRgb c = img.pixel(x, y) & 0xFFFFFF;
      if (index.emplace(c, int(palette.size())).second) palette.push_back(c);
    }
  if (palette.size() > (1u << bits)) {
    std::fprintf(stderr, "too many colours: %zu\n", palette.size());
    std::exit(1);
  }
  const int w = img.width(), h = img.height();
  Bytes pixels;
  if (rle) {
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w;) {
        int c = index[img.pixel(x, y) & 0xFFFFFF], n = 1;
        while (x + n < w && n < 255 && index[img.pixel(x + n, y) & 0xFFFFFF] == c) ++n;
        pixels.push_back(uint8_t(n));
        pixels.push_back(uint8_t(c));
        x += n;
      }
      pixels.push_back(0);
      pixels.push_back(y == 0 ? 1 : 0);  // end of line, end of bitmap
    }
  } else {
    const int stride = (w * bits + 31) / 32 * 4;
    pixels.assign(size_t(stride) * h, 0);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = pixels.data() + size_t(h - 1 - y) * stride;
      for (int x = 0; x < w; ++x) {
        int c = index[img.pixel(x, y) & 0xFFFFFF];
        if (bits == 8)
          row[x] = uint8_t(c);
        else
          row[x / 2] |= uint8_t(x % 2 ? c : c << 4);
      }
    }
  }
  const size_t colours = size_t(1) << bits;
  Bytes f(54 + colours * 4, 0);
  f[0] = 'B';
  f[1] = 'M';
  WriteLe32(f.data() + 10, uint32_t(f.size()));
  WriteLe32(f.data() + 14, 40);
  WriteLe32(f.data() + 18, uint32_t(w));
  WriteLe32(f.data() + 22, uint32_t(h));
  WriteLe16(f.data() + 26, 1);
  WriteLe16(f.data() + 28, uint32_t(bits));
  WriteLe32(f.data() + 30, rle ? 1 : 0);
  WriteLe32(f.data() + 34, uint32_t(pixels.size()));
  WriteLe32(f.data() + 46, uint32_t(colours));
  for (size_t i = 0; i < palette.size(); ++i) {
    f[54 + i * 4] = uint8_t(qBlue(palette[i]));
    f[55 + i * 4] = uint8_t(qGreen(palette[i]));
    f[56 + i * 4] = uint8_t(qRed(palette[i]));
  }
  f.insert(f.end(), pixels.begin(), pixels.end());
  WriteLe32(f.data() + 2, uint32_t(f.size()));
  return f;
}

Bytes Jpeg(const QImage& src, int quality) { return mirt::EncodeJpeg(src, quality); }

Bytes Packed(const Bytes& bmp) { return mirt::EncodePacked(bmp.data(), bmp.size()); }

// A reproducible sequence for the stars.
struct Lcg {
  uint32_t s = 12345;
  int Next(int n) {
    s = s * 1103515245u + 12345u;
    return int((s >> 16) % uint32_t(n));
  }
};

QImage Canvas(int w, int h, QRgb fill) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(fill);
  return img;
}

QImage Room() {
  QImage img = Canvas(640, 480, qRgb(0, 0, 0));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient wall(0, 0, 0, 340);
  wall.setColorAt(0, QColor(236, 214, 180));
  wall.setColorAt(1, QColor(196, 160, 120));
  p.fillRect(0, 0, 640, 340, wall);
  QLinearGradient floor(0, 340, 0, 480);
  floor.setColorAt(0, QColor(120, 76, 40));
  floor.setColorAt(1, QColor(70, 42, 20));
  p.fillRect(0, 340, 640, 140, floor);
  p.setPen(QPen(QColor(60, 36, 18), 2));
  for (int y = 360; y < 480; y += 24) p.drawLine(0, y, 640, y);
  // the window with the sky behind it
  QLinearGradient sky(0, 60, 0, 250);
  sky.setColorAt(0, QColor(90, 150, 230));
  sky.setColorAt(1, QColor(200, 230, 255));
  p.fillRect(380, 60, 180, 190, sky);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(250, 250, 245), 10));
  p.drawRect(380, 60, 180, 190);
  p.drawLine(470, 60, 470, 250);
  p.drawLine(380, 155, 560, 155);
  // a shelf with books
  p.fillRect(60, 170, 200, 10, QColor(110, 70, 36));
  const QColor books[] = {QColor(170, 40, 40), QColor(40, 90, 160), QColor(60, 130, 60),
                          QColor(200, 160, 40), QColor(120, 60, 140)};
  for (int i = 0; i < 10; ++i)
    p.fillRect(70 + i * 18, 120 + (i % 3) * 6, 14, 50 - (i % 3) * 6, books[i % 5]);
  return img;
}

QImage Sky() {  // sixteen colours at most
  QImage img = Canvas(640, 480, qRgb(60, 110, 200));
  QPainter p(&img);
  const QRgb bands[] = {qRgb(60, 110, 200), qRgb(80, 130, 215), qRgb(100, 150, 225),
                        qRgb(125, 170, 235), qRgb(150, 190, 245)};
  for (int i = 0; i < 5; ++i) p.fillRect(0, i * 60, 640, 60, QColor(bands[i]));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 220, 90));
  p.drawEllipse(QPoint(520, 90), 45, 45);
  p.setBrush(QColor(250, 250, 250));
  for (auto [x, y] : {std::pair{120, 80}, std::pair{300, 140}})
    for (int k = 0; k < 3; ++k) p.drawEllipse(QPoint(x + k * 35, y - (k == 1) * 12), 30, 20);
  p.setBrush(QColor(70, 150, 70));
  p.drawEllipse(QPoint(150, 520), 330, 230);
  p.setBrush(QColor(50, 120, 55));
  p.drawEllipse(QPoint(560, 540), 300, 220);
  return img;
}

QImage Night() {
  QImage img = Canvas(640, 480, qRgb(10, 14, 40));
  QPainter p(&img);
  p.fillRect(0, 200, 640, 280, QColor(16, 24, 60));
  Lcg r;
  for (int i = 0; i < 90; ++i) img.setPixel(r.Next(640), r.Next(300), qRgb(250, 250, 210));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(245, 240, 200));
  p.drawEllipse(QPoint(110, 90), 36, 36);
  p.setBrush(QColor(10, 14, 40));
  p.drawEllipse(QPoint(126, 80), 32, 32);  // a crescent
  const int tops[] = {300, 250, 330, 270, 310, 230, 290, 340};
  for (int i = 0; i < 8; ++i) {
    int x = i * 80, top = tops[i];
    p.fillRect(x, top, 70, 480 - top, QColor(30, 30, 40));
    for (int wy = top + 15; wy < 470; wy += 30)
      for (int wx = x + 10; wx < x + 60; wx += 20)
        if (r.Next(3)) p.fillRect(wx, wy, 10, 14, QColor(240, 200, 90));
  }
  return img;
}

QImage Portrait() {
  QImage img = Canvas(120, 90, qRgb(120, 80, 30));
  QPainter p(&img);
  p.fillRect(8, 8, 104, 74, QColor(150, 200, 240));
  p.fillRect(8, 55, 104, 27, QColor(80, 160, 80));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 240, 120));
  p.drawEllipse(QPoint(90, 25), 9, 9);
  p.setBrush(QColor(60, 110, 60));
  p.drawPolygon(QPolygon({QPoint(20, 60), QPoint(45, 25), QPoint(70, 60)}));
  return img;
}

// A standing figure in a few flat colours; no smoothing, so that the
// ground colour stays exact.
void Figure(QPainter& p, int w, QColor hair, QColor clothes, QColor skin, bool face = true) {
  p.setPen(Qt::NoPen);
  const int cx = w / 2;
  p.setBrush(clothes);
  p.drawPolygon(QPolygon(
      {QPoint(cx - 25, 110), QPoint(cx + 25, 110), QPoint(cx + 60, 295), QPoint(cx - 60, 295)}));
  p.setBrush(skin);
  p.drawRect(cx - 8, 90, 16, 24);
  p.setBrush(hair);
  p.drawEllipse(QPoint(cx, 58), 42, 46);
  p.setBrush(skin);
  p.drawEllipse(QPoint(cx, 66), 32, 34);
  p.setBrush(hair);
  p.drawRect(cx - 34, 30, 68, 18);
  if (!face) return;
  p.setBrush(QColor(40, 30, 30));
  p.drawEllipse(QPoint(cx - 12, 66), 4, 6);
  p.drawEllipse(QPoint(cx + 12, 66), 4, 6);
  p.setBrush(QColor(200, 90, 90));
  p.drawRect(cx - 6, 84, 12, 3);
}

QImage Girl() {
  QImage img = Canvas(160, 300, qRgb(255, 0, 255));
  QPainter p(&img);
  Figure(p, 160, QColor(90, 50, 30), QColor(200, 50, 70), QColor(250, 215, 185));
  return img;
}

QImage Boy() {  // image 160 x 300 on the left, its mask on the right
  QImage img = Canvas(320, 300, qRgb(255, 255, 255));
  QPainter p(&img);
  p.fillRect(0, 0, 160, 300, QColor(0, 0, 0));
  Figure(p, 160, QColor(30, 30, 40), QColor(50, 90, 170), QColor(240, 205, 170));
  // the mask: black where the figure is, white around it, soft at the edge
  QImage shape = Canvas(160, 300, qRgb(255, 255, 255));
  QPainter m(&shape);
  m.setRenderHint(QPainter::Antialiasing);
  Figure(m, 160, Qt::black, Qt::black, Qt::black, false);
  m.end();
  p.drawImage(160, 0, shape);
  return img;
}

QImage Ghost() {  // 120 x 160 image, then its grey mask
  QImage img = Canvas(240, 160, qRgb(255, 255, 255));
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  auto body = [&](int dx, QColor c) {
    QPainterPath path;
    path.moveTo(dx + 15, 150);
    path.lineTo(dx + 15, 60);
    path.arcTo(dx + 15, 10, 90, 100, 180, -180);
    path.lineTo(dx + 105, 150);
    for (int i = 0; i < 6; ++i) path.lineTo(dx + 105 - 15 * (i + 1), i % 2 ? 150 : 135);
    path.closeSubpath();
    p.setBrush(c);
    p.drawPath(path);
  };
  p.fillRect(0, 0, 120, 160, QColor(0, 0, 0));
  body(0, QColor(225, 235, 255));
  p.setBrush(QColor(40, 40, 80));
  p.drawEllipse(QPoint(45, 60), 7, 10);
  p.drawEllipse(QPoint(75, 60), 7, 10);
  body(120, QColor(110, 110, 110));  // about half see-through
  p.setBrush(QColor(30, 30, 30));
  p.drawEllipse(QPoint(165, 60), 7, 10);
  p.drawEllipse(QPoint(195, 60), 7, 10);
  return img;
}

// The history screen's notebook page, 600 x 440, then its mask: black
// would hide what lies behind entirely, the dark grey lets a little of
// the scene through; white outside the rounded page. Flat colours only.
QImage Album() {
  QImage img = Canvas(1200, 440, qRgb(255, 255, 255));
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  p.fillRect(0, 0, 600, 440, QColor(0, 0, 0));
  p.setBrush(QColor(120, 80, 50));  // the cover
  p.drawRoundedRect(0, 0, 600, 440, 18, 18);
  p.setBrush(QColor(246, 236, 210));  // the paper
  p.drawRect(14, 12, 572, 416);
  p.setBrush(QColor(210, 190, 150));
  for (int y = 76; y < 420; y += 24) p.drawRect(30, y, 540, 1);  // ruled lines
  p.setBrush(QColor(200, 70, 70));
  p.drawRect(40, 12, 2, 416);  // the margin
  p.drawPolygon(QPolygon({QPoint(500, 0), QPoint(524, 0), QPoint(524, 70), QPoint(512, 58),
                          QPoint(500, 70)}));  // a ribbon
  p.setBrush(QColor(32, 32, 32));
  p.drawRoundedRect(600, 0, 600, 440, 18, 18);
  return img;
}

// A picture-choice button, 112 x 40: a rounded plate with a sun or a moon
// on it, in the state's colours; no smoothing, so the ground stays exact.
QImage Button(bool moon, int state) {
  QImage img = Canvas(112, 40, qRgb(255, 0, 255));
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  const QColor plate[3] = {QColor(60, 70, 120), QColor(90, 110, 190), QColor(30, 35, 70)};
  const QColor rim[3] = {QColor(200, 200, 220), QColor(255, 240, 160), QColor(120, 120, 140)};
  const int down = state == 2 ? 2 : 0;  // pressed: one step lower
  p.setBrush(rim[state]);
  p.drawRoundedRect(2, 2 + down, 108, 34, 12, 12);
  p.setBrush(plate[state]);
  p.drawRoundedRect(5, 5 + down, 102, 28, 10, 10);
  const QColor light = state == 1 ? QColor(255, 230, 90) : QColor(230, 200, 80);
  p.setBrush(light);
  if (moon) {
    p.drawEllipse(QPoint(56, 19 + down), 11, 11);
    p.setBrush(plate[state]);
    p.drawEllipse(QPoint(62, 15 + down), 10, 10);
  } else {
    p.drawEllipse(QPoint(56, 19 + down), 8, 8);
    for (int i = 0; i < 8; ++i) {
      const int dx[8] = {0, 10, 14, 10, 0, -10, -14, -10};
      const int dy[8] = {-13, -9, 0, 9, 13, 9, 0, -9};
      p.drawRect(56 + dx[i] - 1, 19 + down + dy[i] - 1, 3, 3);
    }
  }
  return img;
}

// A Windows cursor file of one 32-bit picture with alpha, and the AND mask
// that older readers use.
Bytes CursorFile(const QImage& src, int hotX, int hotY) {
  const QImage img = src.convertToFormat(QImage::Format_ARGB32);
  const int w = img.width(), h = img.height();
  const int maskStride = (w + 31) / 32 * 4;
  Bytes dib(40, 0);
  WriteLe32(dib.data(), 40);
  WriteLe32(dib.data() + 4, uint32_t(w));
  WriteLe32(dib.data() + 8, uint32_t(2 * h));
  WriteLe16(dib.data() + 12, 1);
  WriteLe16(dib.data() + 14, 32);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = img.pixel(x, y);
      for (uint8_t b :
           {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), uint8_t(qAlpha(c))})
        dib.push_back(b);
    }
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(size_t(maskStride), 0);
    for (int x = 0; x < w; ++x)
      if (qAlpha(img.pixel(x, y)) < 128) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    dib.insert(dib.end(), row.begin(), row.end());
  }
  Bytes f(6 + 16, 0);
  WriteLe16(f.data() + 2, 2);  // a cursor
  WriteLe16(f.data() + 4, 1);
  f[6] = uint8_t(w);
  f[7] = uint8_t(h);
  WriteLe16(f.data() + 10, uint16_t(hotX));
  WriteLe16(f.data() + 12, uint16_t(hotY));
  WriteLe32(f.data() + 14, uint32_t(dib.size()));
  WriteLe32(f.data() + 18, uint32_t(f.size()));
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

// A magic wand from the bottom right to a star at the top left.
QImage Wand() {
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setPen(QPen(QColor(20, 20, 20), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(9, 9, 28, 28);
  p.setPen(QPen(QColor(150, 90, 40), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(9, 9, 28, 28);
  p.setPen(QPen(QColor(60, 40, 0), 1));
  p.setBrush(QColor(255, 220, 60));
  p.drawPolygon(QPolygon({QPoint(1, 1), QPoint(6, 3), QPoint(11, 1), QPoint(9, 6), QPoint(12, 11),
                          QPoint(6, 9), QPoint(1, 12), QPoint(3, 6)}));
  return img;
}

// The wait indicators, 16 x 16 on magenta: the line wait a white arrow
// pointing down, the page wait a gold square.
QImage Indicator(bool page) {
  QImage img = Canvas(16, 16, qRgb(255, 0, 255));
  for (int y = 3; y <= 12; ++y)
    for (int x = 0; x < 16; ++x) {
      if (page && x >= 3 && x <= 12) img.setPixel(x, y, qRgb(255, 200, 0));
      if (!page && std::abs(x - 7.5) <= (12 - y) * 0.6) img.setPixel(x, y, qRgb(255, 255, 255));
    }
  return img;
}

// Written aside and renamed, so that a build stopped half-way leaves no
// cut picture behind.
bool Write(const std::string& path, const Bytes& b) {
  if (!mirt::WriteHostFileAtomically(path, b.data(), b.size())) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_pictures DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"room.jpg", Jpeg(Room(), 70)},
      {"sky.ccg", Packed(IndexedBmp(Sky(), 4, false))},
      {"night.bmp", IndexedBmp(Night(), 8, true)},
      {"portrait.bmp", IndexedBmp(Portrait(), 8, true)},
      {"girl.ccg", Packed(IndexedBmp(Girl(), 8, false))},
      {"boy.jpg", Jpeg(Boy(), 85)},
      {"ghost.ccg", Packed(IndexedBmp(Ghost(), 8, false))},
      {"album.bmp", IndexedBmp(Album(), 8, true)},
      {"sun_n.bmp", IndexedBmp(Button(false, 0), 8, false)},
      {"sun_h.bmp", IndexedBmp(Button(false, 1), 8, false)},
      {"sun_p.bmp", IndexedBmp(Button(false, 2), 8, false)},
      {"moon_n.bmp", IndexedBmp(Button(true, 0), 8, false)},
      {"moon_h.bmp", IndexedBmp(Button(true, 1), 8, false)},
      {"moon_p.bmp", IndexedBmp(Button(true, 2), 8, false)},
  };
  bool ok = true;
  for (const auto& [name, bytes] : files) ok &= Write(dir + "/" + name, bytes);
  ok &= Write(dir + "/icon1.bmp", mirt::EncodeBmp24(Indicator(false)));
  ok &= Write(dir + "/icon2.bmp", mirt::EncodeBmp24(Indicator(true)));
  ok &= Write(dir + "/wand.cur", CursorFile(Wand(), 2, 2));
  return ok ? 0 : 1;
}
