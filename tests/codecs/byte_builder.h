// A tiny builder for hand-made picture files in tests (little-endian fields, raw bytes, text).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace virmeya::testing {

class ByteBuilder {
 public:
  ByteBuilder& u8(unsigned v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  ByteBuilder& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
  ByteBuilder& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  ByteBuilder& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
  ByteBuilder& raw(std::initializer_list<unsigned> values) {
    for (unsigned v : values) u8(v);
    return *this;
  }
  ByteBuilder& text(std::string_view s) {
    for (char c : s) u8(static_cast<unsigned char>(c));
    return *this;
  }
  ByteBuilder& zeros(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) u8(0);
    return *this;
  }
  std::size_t size() const { return bytes_.size(); }
  // Overwrites a 32-bit field written earlier (sizes and offsets known only at the end).
  void patch32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// BMP file header + BITMAPINFOHEADER; the caller appends the palette, masks and pixels and the
// pixel offset is patched by finishBmp().
inline ByteBuilder bmpHeader(std::int32_t width, std::int32_t height, unsigned bpp, unsigned compression,
                             unsigned coloursUsed = 0) {
  ByteBuilder b;
  b.text("BM").u32(0).u32(0).u32(0);
  b.u32(40).i32(width).i32(height).u16(1).u16(bpp).u32(compression).u32(0).u32(2835).u32(2835).u32(coloursUsed).u32(0);
  return b;
}
inline void markBmpPixels(ByteBuilder& b) { b.patch32(10, static_cast<std::uint32_t>(b.size())); }

}  // namespace virmeya::testing
