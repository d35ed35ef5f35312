// Finding the EXIF block of a JPEG file the way standard readers do: the APP1 "Exif" marker, IFD0's
// orientation and the thumbnail IFD1 points at.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace virmeya::testing {

// What a reader following the EXIF layout finds in a JPEG file.
struct ExifFound {
  bool firstAfterStart = false;    // the APP1 marker is the first one after SOI
  std::size_t markerLength = 0;    // the marker's length field
  std::size_t orientationAt = 0;   // file offset of IFD0's orientation value
  int orientation = 0;
  int compression = 0;             // IFD1's Compression
  std::vector<std::uint8_t> thumbnail;  // the bytes IFD1's JPEGInterchangeFormat(Length) point at
};

inline unsigned exifBe16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return unsigned{b[at]} << 8 | b[at + 1];
}

inline std::optional<ExifFound> findExif(const std::vector<std::uint8_t>& jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
  std::size_t pos = 2;
  bool first = true;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const unsigned marker = jpeg[pos + 1];
    if (marker == 0xDA || marker == 0xD9) break;
    const std::size_t length = exifBe16(jpeg, pos + 2);
    const std::size_t data = pos + 4;
    if (marker == 0xE1 && length >= 8 && data + length - 2 <= jpeg.size() &&
        std::equal(jpeg.begin() + static_cast<std::ptrdiff_t>(data), jpeg.begin() + static_cast<std::ptrdiff_t>(data + 6),
                   "Exif\0\0")) {
      ExifFound found;
      found.firstAfterStart = first;
      found.markerLength = length;
      const std::size_t tiff = data + 6;
      const std::size_t end = pos + 2 + length;
      const bool little = jpeg[tiff] == 'I';
      auto u16 = [&](std::size_t at) -> unsigned {
        return little ? (jpeg[at] | unsigned{jpeg[at + 1]} << 8) : exifBe16(jpeg, at);
      };
      auto u32 = [&](std::size_t at) -> std::size_t {
        return little ? (u16(at) | std::size_t{u16(at + 2)} << 16) : (std::size_t{u16(at)} << 16 | u16(at + 2));
      };
      if (u16(tiff + 2) != 42) return std::nullopt;
      std::size_t thumbAt = 0, thumbLength = 0;
      std::size_t ifd = u32(tiff + 4);
      for (int index = 0; index < 2 && ifd != 0; ++index) {
        const std::size_t at = tiff + ifd;
        if (at + 2 > end) return std::nullopt;
        const unsigned count = u16(at);
        if (at + 2 + count * 12 + 4 > end) return std::nullopt;
        for (unsigned i = 0; i < count; ++i) {
          const std::size_t e = at + 2 + i * 12;
          const unsigned tag = u16(e);
          if (index == 0 && tag == 0x0112) {
            found.orientationAt = e + 8;
            found.orientation = static_cast<int>(u16(e + 8));
          }
          if (index == 1 && tag == 0x0103) found.compression = static_cast<int>(u16(e + 8));
          if (index == 1 && tag == 0x0201) thumbAt = u32(e + 8);
          if (index == 1 && tag == 0x0202) thumbLength = u32(e + 8);
        }
        ifd = u32(at + 2 + count * 12);
      }
      if (thumbLength > 0) {
        if (tiff + thumbAt + thumbLength > end) return std::nullopt;
        found.thumbnail.assign(jpeg.begin() + static_cast<std::ptrdiff_t>(tiff + thumbAt),
                               jpeg.begin() + static_cast<std::ptrdiff_t>(tiff + thumbAt + thumbLength));
      }
      return found;
    }
    first = false;
    pos += 2 + length;
  }
  return std::nullopt;
}

}  // namespace virmeya::testing
