// Loading a picture by name: the graphics archive before plain files, the
// kinds told by the name's last three letters, and what is left unchanged.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "graphics/PictureLoader.h"

using namespace mirt_test;

namespace {

struct Folder {
  GameDir dir;
  Folder() { std::filesystem::current_path(dir.Path("")); }
};

QRgb Loaded(const std::string& name, const std::string& archive, bool* ok = nullptr,
            std::string* error = nullptr) {
  QImage img = Solid(1, 1, qRgb(1, 2, 3));  // what "unchanged" looks like
  bool r = mirt::LoadPicture(name, archive, img, error);
  if (ok) *ok = r;
  return Rgb(img, 0, 0);
}

}  // namespace

TEST(PictureLoader, ArchiveBeforeFilesWhateverTheCase) {
  Folder f;
  f.dir.WriteBytes("a.bmp", BmpFile(Solid(2, 2, qRgb(255, 0, 0))));
  f.dir.WriteBytes("only.bmp", BmpFile(Solid(2, 2, qRgb(0, 0, 255))));
  f.dir.WriteBytes("noarc.ccg", BmpFile(Solid(2, 2, qRgb(0, 0, 255))));
  f.dir.WriteBytes("gfx.dat", ArchiveFile({{"A.BMP", BmpFile(Solid(2, 2, qRgb(0, 255, 0)))},
                                           {"pic.png", PackedFile(Solid(2, 2, qRgb(9, 8, 7)))},
                                           {"NOARC.CCG", BmpFile(Solid(2, 2, qRgb(0, 9, 0)))},
                                           {"b.JPG", "not a jpeg"}}));
  EXPECT_EQ(Loaded("a.bmp", "gfx.dat"), qRgb(0, 255, 0) & 0xFFFFFF);
  EXPECT_EQ(Loaded("a.bmp", "GFX.DAT"), qRgb(0, 255, 0) & 0xFFFFFF);
  EXPECT_EQ(Loaded("PIC.PNG", "gfx.dat"), qRgb(9, 8, 7) & 0xFFFFFF);  // other names: packed
  EXPECT_EQ(Loaded("only.bmp", "gfx.dat"), qRgb(0, 0, 255) & 0xFFFFFF);
  EXPECT_EQ(Loaded("ONLY.BMP", ""), qRgb(0, 0, 255) & 0xFFFFFF);
  EXPECT_EQ(Loaded("a.bmp", "missing.dat"), qRgb(255, 0, 0) & 0xFFFFFF);
  // an entry of a packed kind without "ARC1": the plain file, which has none
  // either, so the picture stays as it was and counts as loaded
  bool ok = false;
  EXPECT_EQ(Loaded("noarc.ccg", "gfx.dat", &ok), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_TRUE(ok);
  // an archived JPEG that does not decode, and no file: not loaded
  EXPECT_EQ(Loaded("b.jpg", "gfx.dat", &ok), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_FALSE(ok);
}

TEST(PictureLoader, UnknownKindsMissingFilesAndBrokenTrees) {
  Folder f;
  f.dir.WriteBytes("x.gif", "GIF89a");
  f.dir.WriteBytes("bad.ccg", std::string("ARC1\x10\0\0\0", 8) + std::string(40, '\xFF'));
  bool ok = false;
  EXPECT_EQ(Loaded("x.gif", "", &ok), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Loaded("none.bmp", "", &ok), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_FALSE(ok);
  std::string error;
  EXPECT_EQ(Loaded("bad.ccg", "", &ok, &error), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_TRUE(ok);
  EXPECT_EQ(error, mirt::utf8ToCp932("エラー"));
  // the same stream inside the archive: the message, then the (missing) file
  f.dir.WriteBytes("gfx.dat", ArchiveFile({{"BROKEN.CCG", f.dir.Read("bad.ccg")}}));
  error.clear();
  EXPECT_EQ(Loaded("broken.ccg", "gfx.dat", &ok, &error), qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, mirt::utf8ToCp932("エラー"));
}
