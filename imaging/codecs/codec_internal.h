// Shared plumbing of the picture codecs: the per-format entry points, a bounds-checked byte reader
// and writer, and the error helpers every decoder uses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya::codecs {

using Bytes = std::vector<std::uint8_t>;

// Reasons are short lower-case phrases; readPicture puts the file name in front of them.
[[noreturn]] inline void corrupt(const std::string& detail = {}) {
  throw ImagingError(ImagingErrorKind::CorruptData,
                     detail.empty() ? "файл повреждён" : "файл повреждён (" + detail + ")");
}
[[noreturn]] inline void unsupported(const std::string& what) {
  throw ImagingError(ImagingErrorKind::Unsupported, "не поддерживается: " + what);
}
inline void require(bool ok, const char* detail) {
  if (!ok) corrupt(detail);
}

// A little-endian (or big-endian on request) reader over a byte span; every read past the end
// throws CorruptData, so decoders never index beyond the file.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t size() const noexcept { return size_; }
  std::size_t pos() const noexcept { return pos_; }
  std::size_t remaining() const noexcept { return size_ - pos_; }
  const std::uint8_t* data() const noexcept { return data_; }
  const std::uint8_t* here() const noexcept { return data_ + pos_; }

  void seek(std::uint64_t offset) {
    if (offset > size_) corrupt("смещение за концом файла");
    pos_ = static_cast<std::size_t>(offset);
  }
  void skip(std::uint64_t n) {
    if (n > remaining()) corrupt("данные обрываются");
    pos_ += static_cast<std::size_t>(n);
  }
  const std::uint8_t* take(std::uint64_t n) {
    if (n > remaining()) corrupt("данные обрываются");
    const std::uint8_t* p = data_ + pos_;
    pos_ += static_cast<std::size_t>(n);
    return p;
  }
  std::uint8_t u8() { return *take(1); }
  std::uint16_t u16le() {
    const std::uint8_t* p = take(2);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
  }
  std::uint32_t u32le() {
    const std::uint8_t* p = take(4);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
  std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
  std::uint16_t u16be() {
    const std::uint8_t* p = take(2);
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Appends little-endian fields to a growing buffer.
class ByteWriter {
 public:
  explicit ByteWriter(Bytes& out) : out_(out) {}
  void u8(unsigned v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void u16le(unsigned v) {
    u8(v & 0xFF);
    u8(v >> 8 & 0xFF);
  }
  void u32le(std::uint32_t v) {
    u16le(v & 0xFFFF);
    u16le(v >> 16);
  }
  void bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }

 private:
  Bytes& out_;
};

// Receives an encoder's output piece by piece through a fixed buffer, so a large picture goes to its
// file row by row instead of being built whole in memory first. consume() takes each full buffer.
class ByteSink {
 public:
  explicit ByteSink(std::size_t capacity = std::size_t{1} << 20)
      : buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), capacity_(capacity) {}
  virtual ~ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;

  // Room for exactly n bytes, to be filled by the caller before the next call.
  std::uint8_t* claim(std::size_t n) {
    if (n > capacity_ - used_) {
      flush();
      if (n > capacity_) {
        buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(n);
        capacity_ = n;
      }
    }
    std::uint8_t* p = buffer_.get() + used_;
    used_ += n;
    return p;
  }
  void put(const void* p, std::size_t n) {
    if (n > 0) std::memcpy(claim(n), p, n);
  }
  // Hands over what is buffered; call once more after the last piece.
  void flush() {
    if (used_ > 0) consume(buffer_.get(), used_);
    used_ = 0;
  }

 protected:
  virtual void consume(const std::uint8_t* data, std::size_t size) = 0;

 private:
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
};

// Collects a sink's output in memory, for encodePicture.
class BytesSink final : public ByteSink {
 public:
  explicit BytesSink(std::size_t expected)
      : ByteSink(std::clamp<std::size_t>(expected, 64, std::size_t{1} << 20)) {
    bytes_.reserve(expected);
  }
  Bytes take() {
    flush();
    return std::move(bytes_);
  }

 protected:
  void consume(const std::uint8_t* data, std::size_t size) override { bytes_.insert(bytes_.end(), data, data + size); }

 private:
  Bytes bytes_;
};

// Per-format entry points. Each decoder fills picture.bitmap (and alpha, orientation, incomplete);
// each probe reads only what it needs for PictureInfo. A write* streams the same file as its encode*
// into a sink (flushed by the caller), for a bitmap that is not empty.
void decodeJpeg(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeJpeg(const std::uint8_t* data, std::size_t size);
void decodePng(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probePng(const std::uint8_t* data, std::size_t size);
Bytes encodePng(const Bitmap& bitmap);
void decodeBmp(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeBmp(const std::uint8_t* data, std::size_t size);
Bytes encodeBmp(const Bitmap& bitmap);
void writeBmp(const Bitmap& bitmap, ByteSink& sink);
void decodeTiff(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeTiff(const std::uint8_t* data, std::size_t size);
Bytes encodeTiff(const Bitmap& bitmap);
void decodeGif(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeGif(const std::uint8_t* data, std::size_t size);
Bytes encodeGif(const Bitmap& bitmap);
void decodePcx(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probePcx(const std::uint8_t* data, std::size_t size);
Bytes encodePcx(const Bitmap& bitmap);
void decodeIco(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeIco(const std::uint8_t* data, std::size_t size);
Bytes encodeIco(const Bitmap& bitmap, bool cursor);
void decodeTga(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeTga(const std::uint8_t* data, std::size_t size);
Bytes encodeTga(const Bitmap& bitmap);
void writeTga(const Bitmap& bitmap, ByteSink& sink);
void decodePnm(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probePnm(const std::uint8_t* data, std::size_t size);
Bytes encodePnm(const Bitmap& bitmap);
void writePnm(const Bitmap& bitmap, ByteSink& sink);
// Reads up to n bytes of the open file at `offset`, fewer only where the file ends; throws
// ReadFailed on an error.
using ReadAt = std::function<std::size_t(std::uint8_t* into, std::size_t n, std::uint64_t offset)>;
// A raw 8-bit PGM or PPM decoded from its file a band of rows at a time, never the whole file in
// memory. Returns false, having touched nothing, for any other PNM or when its header does not lie
// whole within `head` (the file's first bytes); the caller then decodes the whole file.
bool decodePnmByRows(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize, const ReadAt& readAt,
                     DecodedPicture& picture);
void decodeWbmp(const std::uint8_t* data, std::size_t size, DecodedPicture& picture);
PictureInfo probeWbmp(const std::uint8_t* data, std::size_t size);

// BMP pixel data inside an ICO/CUR entry: a BITMAPINFOHEADER without file header, of double
// height, the colour rows followed by the 1-bit transparency (AND) mask.
Bitmap decodeIcoBitmap(const std::uint8_t* data, std::size_t size);

// Sniffs the format from the first bytes; Unknown when nothing matches.
PictureFormat sniffFormat(const std::uint8_t* data, std::size_t size);

// EXIF: the orientation tag (1..8) of an APP1 "Exif" payload or a bare TIFF header; 1 when absent.
int exifOrientation(const std::uint8_t* data, std::size_t size);
// Turns the stored picture (alpha included) so it stands as the orientation says.
void applyOrientation(Bitmap& bitmap, int orientation);

// Size check before allocation: refuses a picture beyond the limits or with a side <= 0.
inline void checkDecodeSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) corrupt("нулевой или отрицательный размер");
  checkPictureSize(width, height);
}

// Median-cut colour reduction to at most `maxColours` colours (and an index per pixel).
struct Palette {
  std::vector<Bgr> colours;
  std::vector<std::uint8_t> indices;  // width × height, row by row
};
Palette quantizeMedianCut(const Bitmap& bitmap, int maxColours);

}  // namespace virmeya::codecs
