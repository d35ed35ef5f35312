// Bitmap storage: aligned blocks, huge pages where the kernel offers them, explicit copies.
#include "imaging/bitmap.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "imaging/errors.h"

namespace virmeya {

namespace {

std::int64_t envLimit(const char* name, std::int64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  return (end != text && v > 0) ? v : fallback;
}

constexpr std::size_t kAlignment = 64;
constexpr std::size_t kHugePageThreshold = 4u << 20;
constexpr std::size_t kHugePageSize = 2u << 20;

}  // namespace

SizeLimits sizeLimits() {
  return SizeLimits{envLimit("VIRMEYA_MAX_SIDE", 30000),
                    envLimit("VIRMEYA_MAX_MEGAPIXELS", 300) * 1000000};
}

void checkPictureSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) {
    throw ImagingError(ImagingErrorKind::InvalidArgument,
                       "размер изображения " + std::to_string(width) + " × " +
                           std::to_string(height) + " недопустим");
  }
  const SizeLimits limits = sizeLimits();
  if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels) {
    throw ImagingError(ImagingErrorKind::TooLarge,
                       "изображение " + std::to_string(width) + " × " + std::to_string(height) +
                           " слишком велико (наибольшая сторона " + std::to_string(limits.maxSide) +
                           " точек, наибольшая площадь " +
                           std::to_string(limits.maxPixels / 1000000) + " мегапикселей)");
  }
}

void Bitmap::FreeDeleter::operator()(std::uint8_t* p) const noexcept { std::free(p); }

Bitmap::Storage Bitmap::allocate(std::size_t bytes) {
  // madvise needs a page-aligned start (malloc's large blocks are not), and huge pages need 2 MiB
  // alignment, so big blocks are aligned to 2 MiB.
  const std::size_t alignment = bytes >= kHugePageThreshold ? kHugePageSize : kAlignment;
  const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
  void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
  if (p == nullptr) throw std::bad_alloc();
  if (rounded >= kHugePageThreshold) madvise(p, rounded, MADV_HUGEPAGE);
  return Storage(static_cast<std::uint8_t*>(p));
}

Bitmap Bitmap::uninitialized(int width, int height) {
  checkPictureSize(width, height);
  Bitmap b;
  b.width_ = width;
  b.height_ = height;
  b.stride_ = (static_cast<std::ptrdiff_t>(width) * 3 + 3) & ~std::ptrdiff_t{3};
  b.pixels_ = allocate(b.byteCount());
  return b;
}

Bitmap::Bitmap(int width, int height, Bgr fill) : Bitmap(uninitialized(width, height)) {
  if (fill.b == fill.g && fill.g == fill.r) {
    std::memset(pixels_.get(), fill.b, byteCount());
    return;
  }
  std::uint8_t* first = row(0);
  for (int x = 0; x < width_; ++x) {
    first[3 * x] = fill.b;
    first[3 * x + 1] = fill.g;
    first[3 * x + 2] = fill.r;
  }
  for (int y = 1; y < height_; ++y) std::memcpy(row(y), first, static_cast<std::size_t>(stride_));
}

void Bitmap::addAlpha(std::uint8_t value) {
  if (empty()) return;
  alpha_ = allocate(static_cast<std::size_t>(width_) * height_);
  std::memset(alpha_.get(), value, static_cast<std::size_t>(width_) * height_);
}

Bitmap Bitmap::copyPixels() const {
  Bitmap b;
  b.assignPixels(*this);
  return b;
}

Bitmap Bitmap::clone() const {
  Bitmap b;
  b.assign(*this);
  return b;
}

void Bitmap::assignPixels(const Bitmap& source) {
  if (this == &source) {
    dropAlpha();
    return;
  }
  if (source.empty()) {
    *this = Bitmap();
    return;
  }
  if (width_ != source.width_ || height_ != source.height_ || !pixels_) {
    *this = uninitialized(source.width_, source.height_);
  }
  std::memcpy(pixels_.get(), source.pixels_.get(), byteCount());
  alpha_.reset();
}

void Bitmap::assign(const Bitmap& source) {
  if (this == &source) return;
  Storage keptAlpha = std::move(alpha_);
  const bool sameSize = width_ == source.width_ && height_ == source.height_;
  assignPixels(source);
  if (!source.hasAlpha()) return;
  const std::size_t n = static_cast<std::size_t>(width_) * height_;
  alpha_ = (sameSize && keptAlpha) ? std::move(keptAlpha) : allocate(n);
  std::memcpy(alpha_.get(), source.alpha_.get(), n);
}

bool Bitmap::samePixels(const Bitmap& other) const noexcept {
  if (width_ != other.width_ || height_ != other.height_) return false;
  for (int y = 0; y < height_; ++y) {
    if (std::memcmp(row(y), other.row(y), static_cast<std::size_t>(width_) * 3) != 0) return false;
  }
  if (hasAlpha() != other.hasAlpha()) return false;
  if (hasAlpha() &&
      std::memcmp(alpha_.get(), other.alpha_.get(), static_cast<std::size_t>(width_) * height_) != 0) {
    return false;
  }
  return true;
}

}  // namespace virmeya
