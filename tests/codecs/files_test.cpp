// Reading and writing files: format by extension, atomic replacement, errors that name the file.
#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "codecs/test_pictures.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using testing::gradientPicture;
using testing::TempDir;

std::size_t entriesIn(const std::filesystem::path& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(Extensions, ChooseTheFormatIgnoringCase) {
  const std::pair<const char*, PictureFormat> cases[] = {
      {"a.jpg", PictureFormat::Jpeg}, {"a.JPEG", PictureFormat::Jpeg}, {"b.Png", PictureFormat::Png},
      {"c.tif", PictureFormat::Tiff}, {"c.TIFF", PictureFormat::Tiff}, {"d.gif", PictureFormat::Gif},
      {"e.BMP", PictureFormat::Bmp},  {"f.pcx", PictureFormat::Pcx},   {"g.ico", PictureFormat::Ico},
      {"h.tga", PictureFormat::Tga},  {"i.ppm", PictureFormat::Pnm},   {"j.txt", PictureFormat::Unknown},
      {"noext", PictureFormat::Unknown}, {"dir.jpg/k", PictureFormat::Unknown}};
  for (const auto& [name, format] : cases) EXPECT_EQ(formatForExtension(name), format) << name;
}

TEST(WritePicture, WritesByExtensionAndReadsByContent) {
  TempDir dir;
  const Bitmap original = gradientPicture(20, 10);
  // The content decides when reading: a PNG named .bmp would be read as PNG, so write both.
  writePicture(original, dir / "photo.PNG");
  writePicture(original, dir / "photo.bmp");
  EXPECT_EQ(readPicture(dir / "photo.PNG").format, PictureFormat::Png);
  EXPECT_EQ(readPicture(dir / "photo.bmp").format, PictureFormat::Bmp);
  std::filesystem::rename(dir / "photo.PNG", dir / "disguised.jpg");
  const DecodedPicture back = readPicture(dir / "disguised.jpg");
  EXPECT_EQ(back.format, PictureFormat::Png);
  EXPECT_TRUE(back.bitmap.samePixels(original));
  EXPECT_EQ(entriesIn(dir.path()), 2u);  // no temporary file left behind
}

TEST(WritePicture, ReplacesAnExistingFileKeepingItsPermissions) {
  TempDir dir;
  const auto target = dir / "old.png";
  writePicture(gradientPicture(4, 4), target);
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const Bitmap replacement = gradientPicture(9, 3);
  writePicture(replacement, target);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_TRUE(readPicture(target).bitmap.samePixels(replacement));
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(WritePicture, FailureLeavesTheTargetUntouched) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  const auto target = dir / "keep.bmp";
  const Bitmap original = gradientPicture(5, 5);
  writePicture(original, target);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  try {
    writePicture(gradientPicture(8, 8), target);
    FAIL() << "writing into a read-only folder succeeded";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.kind(), ImagingErrorKind::WriteFailed);
    EXPECT_NE(std::string(e.what()).find("keep.bmp"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("папка недоступна для записи"), std::string::npos) << e.what();
  }
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_TRUE(readPicture(target).bitmap.samePixels(original));
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(WritePicture, ReportsWhatWentWrong) {
  TempDir dir;
  const Bitmap picture = gradientPicture(3, 3);
  const std::pair<std::filesystem::path, const char*> cases[] = {
      {dir / "missing-folder" / "a.png", "папка не существует"},
      {dir / (std::string(300, 'x') + ".png"), "слишком длинное имя файла"},
      {dir / "a.xyz", "неизвестное расширение"},
      {dir.path() / "", "не указано имя файла"},
  };
  for (const auto& [path, reason] : cases) {
    try {
      writePicture(picture, path);
      ADD_FAILURE() << path << " was written";
    } catch (const ImagingError& e) {
      EXPECT_EQ(e.kind(), ImagingErrorKind::WriteFailed);
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(entriesIn(dir.path()), 0u);
}

TEST(WritePicture, RefusesToReplaceAFolder) {
  TempDir dir;
  std::filesystem::create_directory(dir / "x.png");
  EXPECT_THROW(writePicture(gradientPicture(2, 2), dir / "x.png"), ImagingError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "x.png"));
}

TEST(ReadPicture, NamesTheFileAndTheReason) {
  TempDir dir;
  const std::pair<std::filesystem::path, ImagingErrorKind> cases[] = {
      {dir / "nowhere.jpg", ImagingErrorKind::ReadFailed},
      {dir.path(), ImagingErrorKind::ReadFailed},
  };
  for (const auto& [path, kind] : cases) {
    try {
      readPicture(path);
      ADD_FAILURE() << path << " was read";
    } catch (const ImagingError& e) {
      EXPECT_EQ(e.kind(), kind);
      EXPECT_NE(std::string(e.what()).find("не удалось прочитать «" + path.string() + "»"), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace virmeya
