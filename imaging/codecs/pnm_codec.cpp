// PBM, PGM and PPM (plain text and raw, 8 and 16 bits per sample); written as raw 8-bit PPM.
#include <algorithm>
#include <cctype>
#include <memory>

#include "imaging/codecs/codec_internal.h"
#include "imaging/parallel.h"

// Hot row loops are built for AVX-512, AVX2 and plain x86-64 and chosen at run time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VIRMEYA_CODEC_CLONES __attribute__((target_clones("avx512f", "arch=haswell", "default")))
#else
#define VIRMEYA_CODEC_CLONES
#endif

namespace virmeya::codecs {

namespace {

struct PnmHeader {
  int kind = 0;  // 1..6 as in "P1".."P6"
  std::int64_t width = 0, height = 0;
  std::uint32_t maxValue = 1;
  std::size_t dataOffset = 0;
};

class TextScanner {
 public:
  TextScanner(const std::uint8_t* data, std::size_t size, std::size_t pos) : d_(data), size_(size), pos_(pos) {}
  // Skips white space and '#' comments.
  void skipSpace() {
    while (pos_ < size_) {
      if (d_[pos_] == '#') {
        while (pos_ < size_ && d_[pos_] != '\n' && d_[pos_] != '\r') ++pos_;
      } else if (std::isspace(d_[pos_])) {
        ++pos_;
      } else {
        break;
      }
    }
  }
  std::uint64_t number() {
    skipSpace();
    if (pos_ >= size_) corrupt("данные обрываются");
    if (!std::isdigit(d_[pos_])) corrupt("ожидалось число");
    std::uint64_t v = 0;
    while (pos_ < size_ && std::isdigit(d_[pos_])) {
      v = v * 10 + (d_[pos_++] - '0');
      if (v > 0xFFFFFFFFu) corrupt("слишком большое число");
    }
    return v;
  }
  // A plain PBM may write its bits without spaces between them.
  int bit() {
    skipSpace();
    if (pos_ >= size_) corrupt("данные обрываются");
    const std::uint8_t c = d_[pos_++];
    if (c != '0' && c != '1') corrupt("ожидалось 0 или 1");
    return c - '0';
  }
  std::size_t pos() const { return pos_; }

 private:
  const std::uint8_t* d_;
  std::size_t size_;
  std::size_t pos_;
};

// RGB ↔ BGR of one row (the same swap both ways); written plainly so the compiler vectorises it.
VIRMEYA_CODEC_CLONES void swapRedBlue(const std::uint8_t* __restrict s, std::uint8_t* __restrict d, int w) {
  for (int x = 0; x < w; ++x) {
    d[3 * x] = s[3 * x + 2];
    d[3 * x + 1] = s[3 * x + 1];
    d[3 * x + 2] = s[3 * x];
  }
}

VIRMEYA_CODEC_CLONES void greyToBgr(const std::uint8_t* __restrict s, std::uint8_t* __restrict d, int w) {
  for (int x = 0; x < w; ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x];
}

PnmHeader parseHeader(const std::uint8_t* data, std::size_t size) {
  PnmHeader h;
  h.kind = data[1] - '0';
  TextScanner s(data, size, 2);
  h.width = static_cast<std::int64_t>(s.number());
  h.height = static_cast<std::int64_t>(s.number());
  if (h.kind != 1 && h.kind != 4) {
    const std::uint64_t m = s.number();
    if (m == 0 || m > 65535) corrupt("недопустимое наибольшее значение");
    h.maxValue = static_cast<std::uint32_t>(m);
  }
  // Exactly one white-space character separates the header from raw data.
  if (s.pos() >= size || !std::isspace(data[s.pos()])) corrupt("заголовок обрывается");
  h.dataOffset = s.pos() + 1;
  return h;
}

// The bitmap to decode into: the picture's own when it has the size (every pixel gets written).
Bitmap takeStorage(DecodedPicture& picture, int width, int height) {
  if (picture.bitmap.width() == width && picture.bitmap.height() == height) {
    Bitmap bitmap = std::move(picture.bitmap);
    bitmap.dropAlpha();
    return bitmap;
  }
  picture.bitmap = Bitmap();
  return Bitmap::uninitialized(width, height);
}

void rawRowsToBgr(const std::uint8_t* first, std::size_t rowBytes, int channels, Bitmap& bitmap, int y0, int rows) {
  parallelRows(rows, [&](int r0, int r1) {
    for (int r = r0; r < r1; ++r) {
      const std::uint8_t* s = first + rowBytes * static_cast<std::size_t>(r);
      if (channels == 3) {
        swapRedBlue(s, bitmap.row(y0 + r), bitmap.width());
      } else {
        greyToBgr(s, bitmap.row(y0 + r), bitmap.width());
      }
    }
  }, 64);
}

}  // namespace

PictureInfo probePnm(const std::uint8_t* data, std::size_t size) {
  const PnmHeader h = parseHeader(data, size);
  PictureInfo info;
  info.width = static_cast<int>(std::min<std::int64_t>(h.width, INT32_MAX));
  info.height = static_cast<int>(std::min<std::int64_t>(h.height, INT32_MAX));
  return info;
}

void decodePnm(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  const PnmHeader h = parseHeader(data, size);
  checkDecodeSize(h.width, h.height);
  const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
  const int channels = (h.kind == 3 || h.kind == 6) ? 3 : 1;
  const std::uint32_t maxValue = h.maxValue;
  auto scale = [maxValue](std::uint32_t v) -> std::uint8_t {
    if (v > maxValue) corrupt("значение больше наибольшего");
    return static_cast<std::uint8_t>((v * 255 + maxValue / 2) / maxValue);
  };
  // Every raw sample takes its bytes and every text sample at least one character: a file too short
  // for that is refused before the bitmap is allocated.
  const std::uint64_t pixels = static_cast<std::uint64_t>(w) * ht;
  const std::uint64_t available = size - h.dataOffset;
  std::uint64_t needed = pixels * channels;
  if (h.kind == 4) needed = (static_cast<std::uint64_t>(w) + 7) / 8 * ht;
  if (h.kind >= 5 && maxValue > 255) needed *= 2;
  if (needed > available + (h.kind <= 3 ? 1 : 0)) corrupt("данные изображения обрываются");
  Bitmap bitmap = takeStorage(picture, w, ht);

  if (h.kind == 1 || h.kind == 4) {  // 1 is black
    const std::size_t rowBytes = (static_cast<std::size_t>(w) + 7) / 8;
    TextScanner text(data, size, h.dataOffset - 1);
    for (int y = 0; y < ht; ++y) {
      std::uint8_t* d = bitmap.row(y);
      const std::uint8_t* raw = h.kind == 4 ? data + h.dataOffset + rowBytes * y : nullptr;
      for (int x = 0; x < w; ++x, d += 3) {
        const int bit = h.kind == 4 ? (raw[x / 8] >> (7 - x % 8)) & 1 : text.bit();
        d[0] = d[1] = d[2] = bit ? 0 : 255;
      }
    }
  } else if (h.kind <= 3) {
    TextScanner text(data, size, h.dataOffset - 1);
    for (int y = 0; y < ht; ++y) {
      std::uint8_t* d = bitmap.row(y);
      for (int x = 0; x < w; ++x, d += 3) {
        if (channels == 1) {
          d[0] = d[1] = d[2] = scale(static_cast<std::uint32_t>(text.number()));
        } else {
          d[2] = scale(static_cast<std::uint32_t>(text.number()));
          d[1] = scale(static_cast<std::uint32_t>(text.number()));
          d[0] = scale(static_cast<std::uint32_t>(text.number()));
        }
      }
    }
  } else if (maxValue == 255) {  // the common raw 8-bit files: rows straight into the bitmap
    rawRowsToBgr(data + h.dataOffset, static_cast<std::size_t>(w) * channels, channels, bitmap, 0, ht);
  } else {
    const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(w) * channels * sampleBytes;
    for (int y = 0; y < ht; ++y) {
      const std::uint8_t* s = data + h.dataOffset + rowBytes * y;
      std::uint8_t* d = bitmap.row(y);
      for (int x = 0; x < w; ++x, d += 3) {
        std::uint8_t c[3];
        for (int k = 0; k < channels; ++k, s += sampleBytes) {
          const std::uint32_t v = sampleBytes == 2 ? static_cast<std::uint32_t>(s[0] << 8 | s[1]) : s[0];
          c[k] = scale(v);
        }
        if (channels == 1) {
          d[0] = d[1] = d[2] = c[0];
        } else {
          d[0] = c[2];
          d[1] = c[1];
          d[2] = c[0];
        }
      }
    }
  }
  picture.bitmap = std::move(bitmap);
}

bool decodePnmByRows(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize, const ReadAt& readAt,
                     DecodedPicture& picture) {
  if (headSize < 3 || (head[1] != '5' && head[1] != '6')) return false;
  PnmHeader h;
  try {
    h = parseHeader(head, headSize);  // a header running past the head fails here
  } catch (const ImagingError&) {
    return false;
  }
  if (h.maxValue != 255) return false;
  checkDecodeSize(h.width, h.height);
  const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
  const int channels = h.kind == 6 ? 3 : 1;
  const std::size_t rowBytes = static_cast<std::size_t>(w) * channels;
  if (h.dataOffset > fileSize || static_cast<std::uint64_t>(rowBytes) * ht > fileSize - h.dataOffset) corrupt("данные изображения обрываются");
  Bitmap bitmap = takeStorage(picture, w, ht);
  // Bands of about 2 MB: big enough for few reads, small enough to stay in the cache for the swap.
  const int bandRows = static_cast<int>(std::clamp<std::size_t>((std::size_t{2} << 20) / rowBytes, 1, ht));
  const auto band = std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes * bandRows);
  for (int y = 0; y < ht; y += bandRows) {
    const int rows = std::min(bandRows, ht - y);
    const std::size_t want = rowBytes * rows;
    // A file that shrank since it was measured ends early.
    if (readAt(band.get(), want, h.dataOffset + static_cast<std::uint64_t>(rowBytes) * y) != want) {
      corrupt("данные изображения обрываются");
    }
    rawRowsToBgr(band.get(), rowBytes, channels, bitmap, y, rows);
  }
  picture.bitmap = std::move(bitmap);
  return true;
}

void writePnm(const Bitmap& bitmap, ByteSink& sink) {
  const std::string header = "P6\n" + std::to_string(bitmap.width()) + " " + std::to_string(bitmap.height()) + "\n255\n";
  sink.put(header.data(), header.size());
  const std::size_t rowBytes = static_cast<std::size_t>(bitmap.width()) * 3;
  for (int y = 0; y < bitmap.height(); ++y) swapRedBlue(bitmap.row(y), sink.claim(rowBytes), bitmap.width());
}

Bytes encodePnm(const Bitmap& bitmap) {
  BytesSink sink(static_cast<std::size_t>(bitmap.width()) * 3 * bitmap.height() + 32);
  writePnm(bitmap, sink);
  return sink.take();
}

}  // namespace virmeya::codecs
