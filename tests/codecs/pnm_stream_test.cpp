// Raw 8-bit PNM read straight into the bitmap; PPM, BMP and TGA written to their files in pieces (atomically).
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "codecs/test_pictures.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using testing::gradientPicture;
using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

std::uint8_t sample(int x, int y, int channel) { return static_cast<std::uint8_t>(x * 7 + y * 11 + channel * 85); }

// A raw file of width × height (odd width: the bitmap's rows are padded, the file's are not), rows
// enough to be split between the cores.
Bytes rawPnm(int kind, int width, int height) {
  char header[64];
  const int length = std::snprintf(header, sizeof header, "P%d\n%d %d\n255\n", kind, width, height);
  Bytes file(header, header + length);
  const int channels = kind == 6 ? 3 : 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) file.push_back(sample(x, y, c));
    }
  }
  return file;
}

Bytes fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::size_t entriesIn(const std::filesystem::path& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(RawPnm, EightBitRgbAndGreyDecodeSampleForSample) {
  for (const int kind : {5, 6}) {
    const int w = 37, h = 301;
    const Bytes file = rawPnm(kind, w, h);
    const DecodedPicture picture = decodePicture(file.data(), file.size());
    ASSERT_EQ(picture.bitmap.width(), w);
    ASSERT_EQ(picture.bitmap.height(), h);
    EXPECT_FALSE(picture.bitmap.hasAlpha());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Bgr expected = kind == 6 ? rgb(sample(x, y, 0), sample(x, y, 1), sample(x, y, 2))
                                       : rgb(sample(x, y, 0), sample(x, y, 0), sample(x, y, 0));
        ASSERT_EQ(picture.bitmap.pixel(x, y), expected) << "P" << kind << " at " << x << "," << y;
      }
    }
  }
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void expectSamples(const Bitmap& bitmap, int kind, int w, int h) {
  ASSERT_EQ(bitmap.width(), w);
  ASSERT_EQ(bitmap.height(), h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t grey = sample(x, y, 0);
      const Bgr expected = kind == 6 ? rgb(grey, sample(x, y, 1), sample(x, y, 2)) : rgb(grey, grey, grey);
      ASSERT_EQ(bitmap.pixel(x, y), expected) << "P" << kind << " at " << x << "," << y;
    }
  }
}

// Files of a megabyte and more are read a band of rows at a time; a long header comment sends them
// the whole-file way. Both give the same pixels, and a cut file is refused either way.
TEST(RawPnm, LargeFilesReadFromDiskByBandsOrWhole) {
  TempDir dir;
  for (const int kind : {5, 6}) {
    for (const bool longComment : {false, true}) {
      const int w = 1001, h = 1100;
      Bytes file = rawPnm(kind, w, h);
      if (longComment) {
        const std::string comment = "# " + std::string(5000, 'c') + "\n";
        file.insert(file.begin() + 3, comment.begin(), comment.end());
      }
      const auto path = dir / "large.pnm";
      writeBytes(path, file);
      DecodedPicture into;
      into.bitmap = gradientPicture(w, h, true);
      readPicture(path, into);
      EXPECT_EQ(into.format, PictureFormat::Pnm);
      EXPECT_FALSE(into.bitmap.hasAlpha());
      expectSamples(into.bitmap, kind, w, h);

      file.pop_back();
      writeBytes(path, file);
      try {
        readPicture(path, into);
        ADD_FAILURE() << "a cut P" << kind << " file was read";
      } catch (const ImagingError& e) {
        EXPECT_EQ(e.kind(), ImagingErrorKind::CorruptData);
        EXPECT_NE(std::string(e.what()).find("обрываются"), std::string::npos) << e.what();
      }
      EXPECT_TRUE(into.bitmap.empty());
    }
  }
}

TEST(RawPnm, DecodingIntoAPictureOfTheSameSizeReplacesPixelsAndAlpha) {
  const Bytes file = rawPnm(6, 9, 4);
  DecodedPicture into;
  into.bitmap = gradientPicture(9, 4, true);
  decodePicture(file.data(), file.size(), into);
  EXPECT_FALSE(into.bitmap.hasAlpha());
  EXPECT_EQ(into.bitmap.pixel(8, 3), rgb(sample(8, 3, 0), sample(8, 3, 1), sample(8, 3, 2)));
}

TEST(PpmFile, WrittenInPiecesIsTheWholePictureInFileOrder) {
  TempDir dir;
  // 700 × 600 × 3 bytes is more than one buffer of the writer.
  const int w = 700, h = 600;
  const Bitmap picture = gradientPicture(w, h);
  writePicture(picture, dir / "big.ppm");
  const Bytes file = fileBytes(dir / "big.ppm");
  const std::string header = "P6\n700 600\n255\n";
  ASSERT_EQ(file.size(), header.size() + std::size_t{3} * w * h);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  for (int y = 0; y < h; y += 7) {
    for (int x = 0; x < w; x += 3) {
      const std::uint8_t* p = file.data() + header.size() + (std::size_t{3} * (y * w + x));
      ASSERT_EQ(rgb(p[0], p[1], p[2]), picture.pixel(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(encodePicture(picture, PictureFormat::Pnm), file);
  EXPECT_TRUE(readPicture(dir / "big.ppm").bitmap.samePixels(picture));
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

// BMP and TGA are streamed too: the file is the same as the in-memory encoding, alpha or not.
TEST(StreamedFiles, BmpAndTgaFilesMatchTheirEncodingAndReadBack) {
  TempDir dir;
  for (const bool alpha : {false, true}) {
    const Bitmap picture = gradientPicture(701, 500, alpha);  // odd width: BMP rows are padded
    for (const auto& [name, format] : {std::pair{"a.bmp", PictureFormat::Bmp}, std::pair{"a.tga", PictureFormat::Tga}}) {
      writePicture(picture, dir / name);
      EXPECT_EQ(fileBytes(dir / name), encodePicture(picture, format)) << name << " alpha " << alpha;
      EXPECT_TRUE(readPicture(dir / name).bitmap.samePixels(picture)) << name << " alpha " << alpha;
    }
  }
  EXPECT_EQ(entriesIn(dir.path()), 2u);
}

// The file-size limit makes a write fail part-way, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST(PpmFile, AWriteFailingPartWayLeavesTheTargetAndNoTemporaryFile) {
  TempDir dir;
  const auto target = dir / "keep.ppm";
  const Bitmap original = gradientPicture(6, 5);
  writePicture(original, target);
  try {
    FileSizeLimit limit(64 * 1024);
    writePicture(gradientPicture(700, 600), target);
    FAIL() << "a write beyond the file-size limit succeeded";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.kind(), ImagingErrorKind::WriteFailed);
    EXPECT_NE(std::string(e.what()).find("keep.ppm"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("файл слишком велик"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(readPicture(target).bitmap.samePixels(original));
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace virmeya
