// Bitmap: the picture every routine works on. 24-bit, top-down rows of blue, green, red bytes with a
// row stride, and an optional 8-bit alpha plane. Copies are always explicit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/pixel.h"

namespace virmeya {

// Size limits for any picture we allocate or decode. One place; the environment variables
// VIRMEYA_MAX_SIDE and VIRMEYA_MAX_MEGAPIXELS override the defaults (30 000 px, 300 MP).
struct SizeLimits {
  std::int64_t maxSide;
  std::int64_t maxPixels;
};
SizeLimits sizeLimits();
// Throws ImagingError(TooLarge or InvalidArgument) unless width × height is an allowed picture size.
void checkPictureSize(std::int64_t width, std::int64_t height);

class Bitmap {
 public:
  Bitmap() = default;
  // A width × height picture filled with `fill` (black unless given), without alpha.
  Bitmap(int width, int height, Bgr fill = kBlack);
  // A width × height picture whose pixels are left as the allocator gives them (for routines that
  // write every pixel anyway).
  static Bitmap uninitialized(int width, int height);

  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int width() const noexcept { return width_; }
  int height() const noexcept { return height_; }
  bool empty() const noexcept { return width_ == 0 || height_ == 0; }
  // Bytes per row: 3 × width rounded up to a multiple of 4. The padding bytes belong to the bitmap,
  // so a per-byte curve may run over the whole block data() … data() + byteCount().
  std::ptrdiff_t stride() const noexcept { return stride_; }
  std::size_t byteCount() const noexcept { return static_cast<std::size_t>(stride_) * height_; }

  std::uint8_t* data() noexcept { return pixels_.get(); }
  const std::uint8_t* data() const noexcept { return pixels_.get(); }
  std::uint8_t* row(int y) noexcept { return pixels_.get() + y * stride_; }
  const std::uint8_t* row(int y) const noexcept { return pixels_.get() + y * stride_; }

  Bgr pixel(int x, int y) const noexcept {
    const std::uint8_t* p = row(y) + 3 * x;
    return Bgr{p[0], p[1], p[2]};
  }
  void setPixel(int x, int y, Bgr c) noexcept {
    std::uint8_t* p = row(y) + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }

  // The alpha plane: width bytes per row, no padding; 255 opaque, 0 transparent.
  bool hasAlpha() const noexcept { return static_cast<bool>(alpha_); }
  std::uint8_t* alphaRow(int y) noexcept { return alpha_.get() + static_cast<std::ptrdiff_t>(y) * width_; }
  const std::uint8_t* alphaRow(int y) const noexcept {
    return alpha_.get() + static_cast<std::ptrdiff_t>(y) * width_;
  }
  std::uint8_t* alphaData() noexcept { return alpha_.get(); }
  const std::uint8_t* alphaData() const noexcept { return alpha_.get(); }
  // Adds an alpha plane filled with `value` (replacing an existing one), or removes it.
  void addAlpha(std::uint8_t value = 255);
  void dropAlpha() noexcept { alpha_.reset(); }

  // Copy of the pixels only (no alpha plane) — what the history keeps.
  Bitmap copyPixels() const;
  // Complete copy: pixels and alpha plane.
  Bitmap clone() const;
  // Makes this bitmap a complete copy of `source`, reusing the existing storage when the size
  // matches (a fresh 72 MB allocation costs far more than the copy itself).
  void assign(const Bitmap& source);
  // As assign(), pixels only: the alpha plane is dropped.
  void assignPixels(const Bitmap& source);

  // Exact equality of size and pixels (padding ignored); alpha compared when either has it.
  bool samePixels(const Bitmap& other) const noexcept;

 private:
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept;
  };
  using Storage = std::unique_ptr<std::uint8_t[], FreeDeleter>;
  static Storage allocate(std::size_t bytes);

  int width_ = 0;
  int height_ = 0;
  std::ptrdiff_t stride_ = 0;
  Storage pixels_;
  Storage alpha_;
};

}  // namespace virmeya
