// PBM, PGM and PPM (plain text and raw, 8 and 16 bits per sample); written as raw 8-bit PPM.
#include <cctype>

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
  Bitmap bitmap;
  if (picture.bitmap.width() == w && picture.bitmap.height() == ht) {  // every pixel is written below
    bitmap = std::move(picture.bitmap);
    bitmap.dropAlpha();
  } else {
    picture.bitmap = Bitmap();
    bitmap = Bitmap::uninitialized(w, ht);
  }

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
    const std::size_t rowBytes = static_cast<std::size_t>(w) * channels;
    const std::uint8_t* first = data + h.dataOffset;
    parallelRows(ht, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* s = first + rowBytes * static_cast<std::size_t>(y);
        if (channels == 3) {
          swapRedBlue(s, bitmap.row(y), w);
        } else {
          greyToBgr(s, bitmap.row(y), w);
        }
      }
    }, 64);
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
