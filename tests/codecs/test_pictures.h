// Small pictures made in code for the codec tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <cstdlib>
#include <algorithm>
#include <unistd.h>

#include "imaging/bitmap.h"

namespace virmeya::testing {

// A smooth gradient with a few sharp details: every channel varies, so swapped channels or rows show.
inline Bitmap gradientPicture(int width, int height, bool alpha = false) {
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int r = width > 1 ? x * 255 / (width - 1) : 128;
      const int g = height > 1 ? y * 255 / (height - 1) : 64;
      const int bl = (x * 7 + y * 13) % 256;
      b.setPixel(x, y, rgb(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(bl)));
    }
  }
  if (alpha) {
    b.addAlpha();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) b.alphaRow(y)[x] = static_cast<std::uint8_t>((x * 31 + y * 17) % 256);
    }
  }
  return b;
}

// A photo-like picture: smooth in every channel, as JPEG expects.
inline Bitmap smoothPicture(int width, int height) {
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      b.setPixel(x, y, rgb(static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1)),
                           static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1)),
                           static_cast<std::uint8_t>(128 + (x - y) / 2)));
    }
  }
  return b;
}

// Largest per-channel difference of two same-size pictures.
inline int maxDifference(const Bitmap& a, const Bitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width() * 3; ++x) {
      const int d = a.row(y)[x] - b.row(y)[x];
      worst = std::max(worst, d < 0 ? -d : d);
    }
  }
  return worst;
}

// Mean absolute per-channel difference of two same-size pictures.
inline double meanDifference(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width() * 3; ++x) sum += std::abs(a.row(y)[x] - b.row(y)[x]);
  }
  return sum / (3.0 * a.width() * a.height());
}

// A fresh folder under the system's temporary folder, removed with its content at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "virmeya-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace virmeya::testing
