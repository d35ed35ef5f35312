// The colour effects, the overlay pictures and the brightness and offset tints.
#include "algorithms/colour_effects.h"

#include <algorithm>
#include <cstdlib>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/bgr_vectors.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/op_support.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

using ops::roundDivEven;

// The row kernels (the stretch's blend, the offset tint) are plain loops the compiler vectorises;
// the clones let a processor with AVX2 run them in 32-byte registers while any x86-64 keeps a
// working copy.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VIRMEYA_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define VIRMEYA_ROW_KERNEL
#endif

struct StretchPosition {
  int first = 0, second = 0;  // the two source samples
  int weight = 0;             // of the second, 0..255
};
// Target pixel centre t + ½ of `target` maps to source position (t + ½) · source / target − ½.
StretchPosition stretchPosition(int t, int target, int source) {
  const long long num = (2LL * t + 1) * source * 256 - 256LL * target;
  long long fixed = num / (2LL * target);
  if (num < 0) fixed = 0;
  StretchPosition p;
  p.first = static_cast<int>(fixed >> 8);
  p.weight = static_cast<int>(fixed & 255);
  if (p.first >= source - 1) {
    p.first = source - 1;
    p.weight = 0;
  }
  p.second = std::min(p.first + 1, source - 1);
  return p;
}

// Bilinear stretch of a source picture to W × H, produced row by row. Positions are taken at pixel
// centres, in 1/256 steps; the two source rows a target row needs are kept horizontally stretched,
// so an enlargement (the usual case: a 1600-pixel overlay on a 6000-pixel photo) stretches each
// source row about once per band.
class Stretch {
 public:
  Stretch(const Bitmap& source, int width, int height) : source_(source), width_(width), height_(height) {
    identity_ = source.width() == width && source.height() == height;
    if (identity_) return;
    columns_.resize(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) columns_[static_cast<std::size_t>(x)] = position(x, width, source.width());
    pixelFirst_.resize(static_cast<std::size_t>(width));
    pixelWeight_.resize(pixelFirst_.size());
    for (std::size_t x = 0; x < pixelFirst_.size(); ++x) {
      pixelFirst_[x] = columns_[x].first;
      pixelWeight_[x] = columns_[x].weight;
    }
    rows_.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows_[static_cast<std::size_t>(y)] = position(y, height, source.height());
  }

  // One band's reader: its own cache of stretched source rows and its output row.
  class Reader {
   public:
    explicit Reader(const Stretch& s) : s_(s) {
      if (s.identity_) return;
      const std::size_t n = static_cast<std::size_t>(s.width_) * 3;
      upper_.resize(n);
      lower_.resize(n);
      out_.resize(n);
      packed_.assign(static_cast<std::size_t>(s.source_.width()) + 1, 0);
    }
    // The stretched row y: 3 × width bytes, blue, green, red.
    const std::uint8_t* row(int y) {
      if (s_.identity_) return s_.source_.row(y);
      const Position& p = s_.rows_[static_cast<std::size_t>(y)];
      if (upperIndex_ != p.first) {
        if (lowerIndex_ == p.first) {
          std::swap(upper_, lower_);
          std::swap(upperIndex_, lowerIndex_);
        } else {
          stretchRow(p.first, upper_);
          upperIndex_ = p.first;
        }
      }
      if (p.weight == 0) {
        for (std::size_t i = 0; i < out_.size(); ++i) out_[i] = static_cast<std::uint8_t>((upper_[i] + 128) >> 8);
        return out_.data();
      }
      if (lowerIndex_ != p.second) {
        stretchRow(p.second, lower_);
        lowerIndex_ = p.second;
      }
      // Weights scaled to 16 bits so the blend stays in 16-bit lanes (multiply-high).
      const std::uint16_t wl = static_cast<std::uint16_t>(p.weight << 8);
      const std::uint16_t wu = static_cast<std::uint16_t>((256 - p.weight) << 8);
      blendRows(out_.data(), upper_.data(), lower_.data(), wu, wl, out_.size());
      return out_.data();
    }

   private:
    VIRMEYA_ROW_KERNEL
    static void blendRows(std::uint8_t* __restrict out, const std::uint16_t* __restrict upper,
                          const std::uint16_t* __restrict lower, std::uint16_t wu, std::uint16_t wl, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t a = static_cast<std::uint16_t>((static_cast<std::uint32_t>(upper[i]) * wu) >> 16);
        const std::uint16_t b = static_cast<std::uint16_t>((static_cast<std::uint32_t>(lower[i]) * wl) >> 16);
        out[i] = static_cast<std::uint8_t>((a + b + 128) >> 8);
      }
    }

    // The source row's pixels are packed into 32-bit words first, so the stretch gathers one word
    // per target pixel rather than one byte per channel.
    void stretchRow(int sy, std::vector<std::uint16_t>& dst) {
      packRow(packed_.data(), s_.source_.row(sy), s_.source_.width());
      gatherRow(dst.data(), packed_.data(), s_.pixelFirst_.data(), s_.pixelWeight_.data(), s_.width_);
    }

    VIRMEYA_ROW_KERNEL
    static void packRow(std::uint32_t* __restrict packed, const std::uint8_t* __restrict src, int width) {
      for (int x = 0; x < width; ++x) {
        packed[x] = std::uint32_t{src[3 * x]} | std::uint32_t{src[3 * x + 1]} << 8 | std::uint32_t{src[3 * x + 2]} << 16;
      }
    }

    // a · (256 − w) + b · w written as 256 · a + (b − a) · w: one multiplication per channel. The
    // second sample is always the next pixel; where there is none the weight is 0 and the padding
    // word behind the row is read.
    VIRMEYA_ROW_KERNEL
    static void gatherRow(std::uint16_t* __restrict d, const std::uint32_t* __restrict packed,
                          const std::int32_t* __restrict first, const std::int32_t* __restrict weight, int width) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t a = packed[first[x]];
        const std::uint32_t b = packed[first[x] + 1];
        const std::int32_t w = weight[x];
        for (int c = 0; c < 3; ++c) {
          const std::int32_t ac = static_cast<std::int32_t>((a >> (8 * c)) & 255);
          const std::int32_t bc = static_cast<std::int32_t>((b >> (8 * c)) & 255);
          d[3 * x + c] = static_cast<std::uint16_t>((ac << 8) + (bc - ac) * w);
        }
      }
    }

    const Stretch& s_;
    std::vector<std::uint16_t> upper_, lower_;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint32_t> packed_;
    int upperIndex_ = -1, lowerIndex_ = -1;
  };

 private:
  using Position = StretchPosition;
  static Position position(int t, int target, int source) { return stretchPosition(t, target, source); }

  const Bitmap& source_;
  int width_, height_;
  bool identity_ = false;
  std::vector<Position> columns_, rows_;
  std::vector<std::int32_t> pixelFirst_, pixelWeight_;  // columns_ split into lanes
};

void requireOverlay(const Bitmap& overlay) {
  if (overlay.empty()) {
    throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение наложения");
  }
}

// round(ov · S · factorPercent / 60000) clamped, for every S = 0..765 and overlay value 0..255.
using TintTable = std::vector<std::uint8_t>;
TintTable makeTintTable(int factorPercent) {
  TintTable t(766 * 256);
  for (int s = 0; s <= 765; ++s) {
    for (int ov = 0; ov < 256; ++ov) {
      t[static_cast<std::size_t>(s * 256 + ov)] = ClampByte(roundDivEven(ov * s * factorPercent, 60000));
    }
  }
  return t;
}

const TintTable& tintTable(int factorPercent, std::unique_ptr<TintTable>& own) {
  if (factorPercent == 100) {
    static const TintTable unit = makeTintTable(100);
    return unit;
  }
  own = std::make_unique<TintTable>(makeTintTable(factorPercent));
  return *own;
}

// The unit brightness tint without the table: round-half-even(ov · S / 600) for ov ≤ 255, S ≤ 765,
// as q = ⌊(n + 300) / 600⌋ = ⌊⌊(n + 300) / 8⌋ / 75⌋ with n = ov · S, one less on an exact half with
// q odd. n needs 18 bits, so it is kept as a 16-bit low half and a high half (multiply-low and
// multiply-high); ⌊(n + 300) / 8⌋ is below 2^15, so the division by 75 is a 16-bit multiply-high
// too. Everything stays in 16-bit lanes the compiler vectorises, where the table costs three
// scattered loads per pixel.
constexpr std::uint32_t kDiv75Magic = 27963;  // ⌈2^21 / 75⌉
constexpr int kDiv75Shift = 5;                // after the multiply-high's 16

[[gnu::always_inline]] inline std::uint16_t unitTint(std::uint16_t ov, std::uint16_t sum) {
  const std::uint16_t low = static_cast<std::uint16_t>(ov * sum);
  std::uint16_t high = static_cast<std::uint16_t>((std::uint32_t{ov} * sum) >> 16);
  const std::uint16_t t = static_cast<std::uint16_t>(low + 300);
  high = static_cast<std::uint16_t>(high + (t < 300 ? 1 : 0));  // the carry out of the low half
  const std::uint16_t y = static_cast<std::uint16_t>(high << 13 | t >> 3);
  std::uint16_t q = static_cast<std::uint16_t>(static_cast<std::uint16_t>((y * kDiv75Magic) >> 16) >> kDiv75Shift);
  const std::uint16_t half = static_cast<std::uint16_t>(((t & 7) == 0 && y == static_cast<std::uint16_t>(q * 75)) ? 1 : 0);
  q = static_cast<std::uint16_t>(q - (half & q));
  return q > 255 ? 255 : q;
}

// Checked once against the rounding rule for every pair, so a wrong constant can only cost speed.
bool unitTintExact() {
  static const bool exact = [] {
    for (int sum = 0; sum <= 765; ++sum) {
      for (int ov = 0; ov <= 255; ++ov) {
        if (unitTint(static_cast<std::uint16_t>(ov), static_cast<std::uint16_t>(sum)) !=
            std::uint16_t{ClampByte(roundDivEven(ov * sum, 600))}) {
          return false;
        }
      }
    }
    return true;
  }();
  return exact;
}

// S = B + G + R of every pixel, repeated for its three channels, so the tint runs over bytes.
VIRMEYA_ROW_KERNEL
void channelSums(std::uint16_t* __restrict sums, const std::uint8_t* __restrict p, int width) {
  for (int x = 0; x < width; ++x) {
    const std::uint16_t s = static_cast<std::uint16_t>(p[3 * x] + p[3 * x + 1] + p[3 * x + 2]);
    sums[3 * x] = s;
    sums[3 * x + 1] = s;
    sums[3 * x + 2] = s;
  }
}

// The unit tint of a row by its overlay row.
VIRMEYA_ROW_KERNEL
void unitTintRow(std::uint8_t* __restrict p, const std::uint16_t* __restrict sums, const std::uint8_t* __restrict o,
                 std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(unitTint(o[i], sums[i]));
}

// c' = clamp(c + ⌊(ov · strength + 50) / 100⌋ − base) in 16-bit lanes.
VIRMEYA_ROW_KERNEL
void offsetRow(std::uint8_t* __restrict p, const std::uint8_t* __restrict o, std::uint16_t strength, std::int16_t base,
               int bytes) {
  for (int i = 0; i < bytes; ++i) {
    const std::uint16_t lifted = static_cast<std::uint16_t>(static_cast<std::uint16_t>(o[i] * strength + 50) / 100);
    const std::int16_t v = static_cast<std::int16_t>(static_cast<std::int16_t>(p[i]) + static_cast<std::int16_t>(lifted) - base);
    p[i] = static_cast<std::uint8_t>(std::min<std::int16_t>(std::max<std::int16_t>(v, 0), 255));
  }
}

#if VIRMEYA_HAS_AVX512_KERNELS
// Where the target columns take their samples, in blocks of 64. Within a block that reaches fewer
// than 128 source pixels (any enlargement, and reductions down to one half) both samples of every
// column are picked by byte permutes from a window of 128 pixels starting at `base`; `index` holds
// each column's offset in that window twice, once for the low and once for the high byte of its
// 16-bit lane. Other blocks are stretched a pixel at a time from `first` and `weight`.
struct ColumnBlocks {
  int count = 0;
  std::vector<std::int32_t> base;
  std::vector<std::uint8_t> windowed;
  std::vector<std::uint8_t> index;    // 128 per block
  std::vector<std::uint16_t> weight;  // 64 per block; 0 past the row
  std::vector<std::int32_t> first;    // 64 per block; 0 past the row
};

ColumnBlocks planColumns(int width, int sourceWidth) {
  ColumnBlocks c;
  c.count = (width + 63) / 64;
  const std::size_t n = static_cast<std::size_t>(c.count);
  c.base.assign(n, 0);
  c.windowed.assign(n, 0);
  c.index.assign(n * 128, 0);
  c.weight.assign(n * 64, 0);
  c.first.assign(n * 64, 0);
  for (int k = 0; k < c.count; ++k) {
    const std::size_t b = static_cast<std::size_t>(k);
    const int x0 = 64 * k, x1 = std::min(width, x0 + 64);
    for (int x = x0; x < x1; ++x) {
      const StretchPosition p = stretchPosition(x, width, sourceWidth);
      c.first[b * 64 + static_cast<std::size_t>(x - x0)] = p.first;
      c.weight[b * 64 + static_cast<std::size_t>(x - x0)] = static_cast<std::uint16_t>(p.weight);
    }
    const int base = c.first[b * 64];
    c.base[b] = base;
    // Columns are in order, so the last one reaches furthest; its second sample is one further.
    if (c.first[b * 64 + static_cast<std::size_t>(x1 - x0 - 1)] + 1 - base > 127) continue;
    c.windowed[b] = 1;
    for (int i = 0; i < x1 - x0; ++i) {
      const auto offset = static_cast<std::uint8_t>(c.first[b * 64 + static_cast<std::size_t>(i)] - base);
      c.index[b * 128 + 2 * static_cast<std::size_t>(i)] = offset;
      c.index[b * 128 + 2 * static_cast<std::size_t>(i) + 1] = offset;
    }
  }
  return c;
}

VIRMEYA_AVX512_KERNELS_BEGIN

// The vector twins of the tints. The overlay is stretched into 16-bit planes, blue, green and red
// apart, so the vertical blend and the tint run 32 pixels at a time next to the photo's own
// pixels read into 16-bit lanes, and the stretched row is never interleaved. The bytes are those of
// Stretch and of the portable kernels.
class WideStretch {
 public:
  WideStretch(const Bitmap& source, int width, int height)
      : source_(source), columns_(planColumns(width, source.width())) {
    rows_.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) rows_[static_cast<std::size_t>(y)] = stretchPosition(y, height, source.height());
  }

  // The overlay of one target row: the two stretched source rows, 3 planes of `stride` values
  // each (a · (256 − w) + b · w of the two samples), and their weights scaled to 16 bits. Without
  // `blend` only `upper` counts.
  struct Rows {
    const std::uint16_t* upper;
    const std::uint16_t* lower;
    std::size_t stride;
    std::uint16_t upperWeight, lowerWeight;
    bool blend;
  };

  class Reader {
   public:
    explicit Reader(const WideStretch& s) : s_(s), stride_(static_cast<std::size_t>(s.columns_.count) * 64) {
      upper_.assign(3 * stride_, 0);
      lower_.assign(3 * stride_, 0);
      // A window may start at the last source pixel and reach 127 past it.
      bytesStride_ = static_cast<std::size_t>((s.source_.width() + 63) / 64 * 64 + 128);
      bytes_.assign(3 * bytesStride_, 0);
    }

    Rows rows(int y) {
      const StretchPosition& p = s_.rows_[static_cast<std::size_t>(y)];
      if (upperIndex_ != p.first) {
        if (lowerIndex_ == p.first) {
          std::swap(upper_, lower_);
          std::swap(upperIndex_, lowerIndex_);
        } else {
          stretchRow(p.first, upper_.data());
          upperIndex_ = p.first;
        }
      }
      if (p.weight == 0) return Rows{upper_.data(), upper_.data(), stride_, 0, 0, false};
      if (lowerIndex_ != p.second) {
        stretchRow(p.second, lower_.data());
        lowerIndex_ = p.second;
      }
      return Rows{upper_.data(), lower_.data(), stride_, static_cast<std::uint16_t>((256 - p.weight) << 8),
                  static_cast<std::uint16_t>(p.weight << 8), true};
    }

   private:
    void stretchRow(int sy, std::uint16_t* dst) {
      splitRow(s_.source_.row(sy), s_.source_.width());
      const ColumnBlocks& c = s_.columns_;
      const __m512i one = _mm512_set1_epi8(1);
      for (int k = 0; k < c.count; ++k) {
        const std::size_t b = static_cast<std::size_t>(k);
        std::uint16_t* d = dst + 64 * b;
        if (!c.windowed[b]) {
          for (int ch = 0; ch < 3; ++ch) {
            const std::uint8_t* plane = bytes_.data() + static_cast<std::size_t>(ch) * bytesStride_;
            for (std::size_t i = 0; i < 64; ++i) {
              const std::int32_t f = c.first[b * 64 + i], w = c.weight[b * 64 + i];
              const std::int32_t a = plane[f], bb = plane[f + 1];
              d[static_cast<std::size_t>(ch) * stride_ + i] = static_cast<std::uint16_t>((a << 8) + (bb - a) * w);
            }
          }
          continue;
        }
        __m512i first[2], second[2], weight[2];
        for (int h = 0; h < 2; ++h) {
          first[h] = _mm512_loadu_si512(c.index.data() + 128 * b + 64 * static_cast<std::size_t>(h));
          second[h] = _mm512_add_epi8(first[h], one);
          weight[h] = _mm512_loadu_si512(c.weight.data() + 64 * b + 32 * static_cast<std::size_t>(h));
        }
        for (int ch = 0; ch < 3; ++ch) {
          const std::uint8_t* window = bytes_.data() + static_cast<std::size_t>(ch) * bytesStride_ + c.base[b];
          const __m512i w0 = _mm512_loadu_si512(window), w1 = _mm512_loadu_si512(window + 64);
          for (int h = 0; h < 2; ++h) {
            // a · 256 + (b − a) · w; a · 256 comes straight from the permute into the high bytes.
            const __m512i a = _mm512_maskz_permutex2var_epi8(simd::detail::kLowBytes, w0, first[h], w1);
            const __m512i a256 = _mm512_maskz_permutex2var_epi8(~simd::detail::kLowBytes, w0, first[h], w1);
            const __m512i next = _mm512_maskz_permutex2var_epi8(simd::detail::kLowBytes, w0, second[h], w1);
            const __m512i v = _mm512_add_epi16(a256, _mm512_mullo_epi16(_mm512_sub_epi16(next, a), weight[h]));
            _mm512_storeu_si512(d + static_cast<std::size_t>(ch) * stride_ + 32 * static_cast<std::size_t>(h), v);
          }
        }
      }
    }

    // The source row as three byte planes.
    void splitRow(const std::uint8_t* src, int width) {
      std::uint8_t* planes[3] = {bytes_.data(), bytes_.data() + bytesStride_, bytes_.data() + 2 * bytesStride_};
      int x = 0;
      auto put = [&](const simd::Planes& p) {
        _mm512_storeu_si512(planes[0] + x, p.b);
        _mm512_storeu_si512(planes[1] + x, p.g);
        _mm512_storeu_si512(planes[2] + x, p.r);
      };
      for (; x + 64 <= width; x += 64) put(simd::loadPixels64(src + 3 * x));
      if (x < width) {
        alignas(64) std::uint8_t buffer[192] = {};
        std::memcpy(buffer, src + 3 * x, static_cast<std::size_t>(3 * (width - x)));
        put(simd::loadPixels64(buffer));
      }
    }

    const WideStretch& s_;
    std::size_t stride_, bytesStride_ = 0;
    std::vector<std::uint16_t> upper_, lower_;
    std::vector<std::uint8_t> bytes_;
    int upperIndex_ = -1, lowerIndex_ = -1;
  };

 private:
  const Bitmap& source_;
  ColumnBlocks columns_;
  std::vector<StretchPosition> rows_;
};

// Runs kernel(pixels, x) over a row in blocks of 64 pixels; the last partial block goes through a
// buffer so the kernel always reads and writes 192 bytes. The photo streams from memory and the
// processor's own prefetch falls behind, so each block asks for the one a dozen blocks ahead
// (measured: a quarter less processor time for both tints).
template <class Kernel>
[[gnu::always_inline]] inline void forEachBlock(std::uint8_t* row, int width, Kernel&& kernel) {
  constexpr int kAhead = 12 * 192;
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const char* ahead = reinterpret_cast<const char*>(row + 3 * x) + kAhead;
    for (int line = 0; line < 3; ++line) _mm_prefetch(ahead + 64 * line, _MM_HINT_T0);
    kernel(row + 3 * x, x);
  }
  if (x < width) {
    const std::size_t bytes = static_cast<std::size_t>(3 * (width - x));
    alignas(64) std::uint8_t buffer[192] = {};
    std::memcpy(buffer, row + 3 * x, bytes);
    kernel(buffer, x);
    std::memcpy(row + 3 * x, buffer, bytes);
  }
}

// The overlay values 0..255 of 32 pixels of one plane: the vertical blend of Stretch::Reader::row.
template <bool Blend>
[[gnu::always_inline]] inline __m512i overlayLanes(const std::uint16_t* upper, const std::uint16_t* lower, __m512i wu,
                                                   __m512i wl) {
  __m512i v = _mm512_loadu_si512(upper);
  if constexpr (Blend) {
    v = _mm512_add_epi16(_mm512_mulhi_epu16(v, wu), _mm512_mulhi_epu16(_mm512_loadu_si512(lower), wl));
  }
  return _mm512_srli_epi16(_mm512_add_epi16(v, _mm512_set1_epi16(128)), 8);
}

// unitTint in 32 lanes, without the final clamp (the narrowing does it). ⌊(n + 300) / 8⌋ comes from
// one rounding multiply-high: (ov · 128) · (S · 32) = n · 2^12, rounded at 2^15, is ⌊(n + 4) / 8⌋,
// and 296 = 37 · 8. An exact half is n + 300 = 600 q, seen on the low 16 bits since the two differ
// by less than 600.
[[gnu::always_inline]] inline __m512i opaque(__m512i v) {
  asm("" : "+v"(v));
  return v;
}

// `times600` holds 600 in every lane, kept opaque so the compiler does not turn its multiplication
// into a longer run of shifts and adds.
[[gnu::always_inline]] inline __m512i unitTintLanes(__m512i ov, __m512i sum, __m512i sum32, __m512i times600) {
  const __m512i y = _mm512_add_epi16(_mm512_mulhrs_epi16(_mm512_slli_epi16(ov, 7), sum32), _mm512_set1_epi16(37));
  const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(y, _mm512_set1_epi16(static_cast<short>(kDiv75Magic))), kDiv75Shift);
  const __m512i one = _mm512_set1_epi16(1);
  const __mmask32 odd = _mm512_test_epi16_mask(q, one);
  const __mmask32 oddHalf = _mm512_mask_cmpeq_epi16_mask(odd, _mm512_add_epi16(_mm512_mullo_epi16(ov, sum), _mm512_set1_epi16(300)),
                                                         _mm512_mullo_epi16(q, times600));
  return _mm512_mask_sub_epi16(q, oddHalf, q, one);
}

// The vector tint against the rounding rule for every (overlay, S) pair, once per process.
bool unitTintLanesExact() {
  static const bool exact = [] {
    alignas(64) std::uint16_t ov[32], sum[32], out[32];
    for (int s = 0; s <= 765; ++s) {
      for (int base = 0; base < 256; base += 32) {
        for (int i = 0; i < 32; ++i) {
          ov[i] = static_cast<std::uint16_t>(base + i);
          sum[i] = static_cast<std::uint16_t>(s);
        }
        const __m512i sums = _mm512_load_si512(sum);
        _mm512_store_si512(out, unitTintLanes(_mm512_load_si512(ov), sums, _mm512_slli_epi16(sums, 5),
                                              _mm512_set1_epi16(600)));
        for (int i = 0; i < 32; ++i) {
          if (std::min<int>(out[i], 255) != ClampByte(roundDivEven((base + i) * s, 600))) return false;
        }
      }
    }
    return true;
  }();
  return exact;
}

template <bool Blend>
void unitTintRowWide(std::uint8_t* row, int width, const WideStretch::Rows& o) {
  const __m512i wu = _mm512_set1_epi16(static_cast<short>(o.upperWeight));
  const __m512i wl = _mm512_set1_epi16(static_cast<short>(o.lowerWeight));
  const __m512i times600 = opaque(_mm512_set1_epi16(600));
  forEachBlock(row, width, [&](std::uint8_t* pixels, int x) {
    simd::WidePlanes p = simd::loadPixels64Wide(pixels);
    __m512i sum[2], sum32[2];
    for (int h = 0; h < 2; ++h) {
      sum[h] = _mm512_add_epi16(_mm512_add_epi16(p.plane[0][h], p.plane[1][h]), p.plane[2][h]);
      sum32[h] = _mm512_slli_epi16(sum[h], 5);
    }
    for (std::size_t c = 0; c < 3; ++c) {
      for (std::size_t h = 0; h < 2; ++h) {
        const std::size_t at = c * o.stride + static_cast<std::size_t>(x) + 32 * h;
        p.plane[c][h] = unitTintLanes(overlayLanes<Blend>(o.upper + at, o.lower + at, wu, wl), sum[h], sum32[h], times600);
      }
    }
    simd::storePixels64Narrowed(pixels, p);
  });
}

void brightnessTintWide(Bitmap& target, const Bitmap& overlay, ProgressRun& run) {
  const WideStretch stretch(overlay, target.width(), target.height());
  const int width = target.width();
  parallelRows(target.height(), [&](int y0, int y1) {
    WideStretch::Reader reader(stretch);
    for (int y = y0; y < y1; ++y) {
      const WideStretch::Rows o = reader.rows(y);
      if (o.blend) {
        unitTintRowWide<true>(target.row(y), width, o);
      } else {
        unitTintRowWide<false>(target.row(y), width, o);
      }
      run.advance();
    }
  });
}

// A byte table of 256 entries held in four vectors.
struct ByteTable {
  __m512i part[4];
};
ByteTable loadByteTable(const std::array<std::uint8_t, 256>& t) {
  ByteTable b;
  for (int i = 0; i < 4; ++i) b.part[i] = _mm512_loadu_si512(t.data() + 64 * i);
  return b;
}
[[gnu::always_inline]] inline __m512i lookup(const ByteTable& t, __m512i v, __mmask64 upperHalf) {
  return _mm512_mask_blend_epi8(upperHalf, _mm512_permutex2var_epi8(t.part[0], v, t.part[1]),
                                _mm512_permutex2var_epi8(t.part[2], v, t.part[3]));
}

// The offset as its size |d| and its direction: d ≥ 0 where the overlay value is at least
// `threshold` (below it for a falling offset), d ≤ 0 elsewhere. d is monotonic in the overlay value
// for any strength, so one threshold splits it; makeOffsetSteps checks that it does.
struct OffsetSteps {
  ByteTable size;
  __m512i threshold;
  bool falling;  // the offset falls as the overlay value rises
};

std::optional<OffsetSteps> makeOffsetSteps(const std::array<std::int16_t, 256>& shift) {
  const bool falling = shift[255] < shift[0];
  int threshold = 255;  // the first value on the raising side (for a falling offset: past it)
  for (int ov = 0; ov < 256; ++ov) {
    if (falling ? shift[static_cast<std::size_t>(ov)] <= 0 : shift[static_cast<std::size_t>(ov)] > 0) {
      threshold = ov;
      break;
    }
  }
  std::array<std::uint8_t, 256> size{};
  for (int ov = 0; ov < 256; ++ov) {
    const int d = shift[static_cast<std::size_t>(ov)];
    const bool raises = (ov >= threshold) != falling;
    if (raises ? d < 0 : d > 0) return std::nullopt;
    size[static_cast<std::size_t>(ov)] = static_cast<std::uint8_t>(std::min(std::abs(d), 255));
  }
  return OffsetSteps{loadByteTable(size), _mm512_set1_epi8(static_cast<char>(threshold)), falling};
}

// c' = clamp(c + d) as c + |d| or c − |d| with unsigned saturation. The table and threshold are
// copied into locals: the pixel stores could alias them as far as the compiler knows.
template <bool Blend, bool Falling>
void offsetRowWide(std::uint8_t* row, int width, const WideStretch::Rows& o, const OffsetSteps& steps) {
  const __m512i wu = _mm512_set1_epi16(static_cast<short>(o.upperWeight));
  const __m512i wl = _mm512_set1_epi16(static_cast<short>(o.lowerWeight));
  const ByteTable sizes = steps.size;
  const __m512i threshold = steps.threshold;
  forEachBlock(row, width, [&](std::uint8_t* pixels, int x) {
    simd::WidePlanes ov;
    for (std::size_t c = 0; c < 3; ++c) {
      for (std::size_t h = 0; h < 2; ++h) {
        const std::size_t at = c * o.stride + static_cast<std::size_t>(x) + 32 * h;
        ov.plane[c][h] = overlayLanes<Blend>(o.upper + at, o.lower + at, wu, wl);
      }
    }
    __m512i bytes[3];
    simd::joinPixels64Narrowed(ov, bytes);
    for (int j = 0; j < 3; ++j) {
      const __mmask64 above = _mm512_cmpge_epu8_mask(bytes[j], threshold);
      const __mmask64 below = _mm512_cmplt_epu8_mask(bytes[j], threshold);
      const __m512i size = lookup(sizes, bytes[j], _mm512_movepi8_mask(bytes[j]));
      __m512i p = _mm512_loadu_si512(pixels + 64 * j);
      p = _mm512_mask_adds_epu8(p, Falling ? below : above, p, size);
      _mm512_storeu_si512(pixels + 64 * j, _mm512_mask_subs_epu8(p, Falling ? above : below, p, size));
    }
  });
}

bool offsetTintWide(Bitmap& target, const Bitmap& overlay, const std::array<std::int16_t, 256>& shift, ProgressRun& run) {
  const std::optional<OffsetSteps> steps = makeOffsetSteps(shift);
  if (!steps) return false;
  const WideStretch stretch(overlay, target.width(), target.height());
  const int width = target.width();
  parallelRows(target.height(), [&](int y0, int y1) {
    WideStretch::Reader reader(stretch);
    for (int y = y0; y < y1; ++y) {
      const WideStretch::Rows o = reader.rows(y);
      if (o.blend) {
        (steps->falling ? offsetRowWide<true, true> : offsetRowWide<true, false>)(target.row(y), width, o, *steps);
      } else {
        (steps->falling ? offsetRowWide<false, true> : offsetRowWide<false, false>)(target.row(y), width, o, *steps);
      }
      run.advance();
    }
  });
  return true;
}

VIRMEYA_AVX512_KERNELS_END
#endif

std::string readFailure(const std::filesystem::path& path, const std::string& reason) {
  return "Не удалось загрузить файл содержимого «" + path.string() + "»: " + reason;
}

}  // namespace

void TintVariant(Bitmap& target, int variant) { AdjustTint(target, tintDegreesForVariant(variant)); }

void ColorizeVariant(Bitmap& target, int variant) {
  const ColorizeParameters p = colorizeForVariant(variant);
  Colorize(target, p.hue, p.saturation, p.lightnessFactor);
}

void SaturationVariant(Bitmap& target, int variant) { AdjustSaturation(target, saturationForVariant(variant)); }

template <class F>
void solarizeRow(std::uint8_t* __restrict p, int n, F f) {
  for (int i = 0; i < n; ++i) p[i] = f(p[i]);
}

void SolarizeEffect(Bitmap& target, int step, bool onPhoto, Progress* progress) {
  if (step <= 0) throw ImagingError(ImagingErrorKind::InvalidArgument, "шаг соляризации должен быть больше 0");
  std::array<std::uint8_t, 256> lut{};
  for (int v = 0; v < 256; ++v) {
    // The wrap above 255 is the effect itself, not an overflow.
    lut[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>((step * roundDivEven(v, step)) % 256);
  }
  // The same arithmetic in 16-bit lanes the compiler vectorises: q = ⌊(2v + s) / 2s⌋ by a
  // multiply-high, one less on an exact half with q odd. Used only when it matches the table for
  // every value of this step.
  const std::uint32_t inverse32 = (65536u + 2u * static_cast<std::uint32_t>(step) - 1) / (2u * static_cast<std::uint32_t>(step));
  const std::uint16_t inverse = static_cast<std::uint16_t>(std::min<std::uint32_t>(inverse32, 65535));
  const std::uint16_t s16 = static_cast<std::uint16_t>(step), twice = static_cast<std::uint16_t>(2 * step);
  auto fast = [twice, inverse, s16](std::uint8_t v) -> std::uint8_t {
    const std::uint16_t t = static_cast<std::uint16_t>(2 * v + s16);
    std::uint16_t q = static_cast<std::uint16_t>((static_cast<std::uint32_t>(t) * static_cast<std::uint32_t>(inverse)) >> 16);
    const std::uint16_t rest = static_cast<std::uint16_t>(t - q * twice);
    q = static_cast<std::uint16_t>(q - ((rest == 0 ? 1 : 0) & q & 1));
    return static_cast<std::uint8_t>(q * s16);
  };
  bool exact = step < 256 && inverse32 < 65536;
  for (int v = 0; v < 256 && exact; ++v) exact = fast(static_cast<std::uint8_t>(v)) == lut[static_cast<std::size_t>(v)];

  ProgressRun run(onPhoto ? progress : nullptr, target.height());
  const int bytes = 3 * target.width();
  const bool bytePermutes = simd::useAvx512Vbmi();  // the table itself, 64 bytes at a time
  parallelRows(target.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = target.row(y);
      if (bytePermutes) {
        simd::lookUpBytes(p, static_cast<std::size_t>(bytes), lut.data());
      } else if (exact) {
        solarizeRow(p, bytes, fast);
      } else {
        for (int i = 0; i < bytes; ++i) p[i] = lut[p[i]];
      }
      run.advance();
    }
  });
}

namespace {

// readOverlayFile into `into`, whose storage is reused when the overlay has its size.
void readOverlayInto(const ContentRoot& content, std::string_view kind, bool thumbnail, int index,
                     DecodedPicture& into) {
  const std::filesystem::path path = content.overlay(kind, thumbnail, index);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw ImagingError(ImagingErrorKind::ReadFailed, readFailure(path, "файл не найден"));
  }
  try {
    readPicture(path, into);
    into.bitmap.dropAlpha();
    requireOverlay(into.bitmap);
  } catch (const ImagingError& e) {
    throw ImagingError(e.kind(), readFailure(path, e.what()));
  }
}

// The full-size overlay of an effect on the photo, decoded into storage each thread keeps for its
// next one: the overlays share one size, and a fresh block of several megabytes costs about a fifth
// of the decoding again in page faults.
const Bitmap& readFullOverlay(const ContentRoot& content, std::string_view kind, int index) {
  thread_local DecodedPicture spare;
  readOverlayInto(content, kind, false, index, spare);
  return spare.bitmap;
}

}  // namespace

Bitmap readOverlayFile(const ContentRoot& content, std::string_view kind, bool thumbnail, int index) {
  DecodedPicture picture;
  readOverlayInto(content, kind, thumbnail, index, picture);
  return std::move(picture.bitmap);
}

Bitmap stretchBilinear(const Bitmap& source, int width, int height) {
  requireOverlay(source);
  checkPictureSize(width, height);
  Bitmap out = Bitmap::uninitialized(width, height);
  const Stretch stretch(source, width, height);
  parallelRows(height, [&](int y0, int y1) {
    Stretch::Reader reader(stretch);
    for (int y = y0; y < y1; ++y) std::memcpy(out.row(y), reader.row(y), static_cast<std::size_t>(width) * 3);
  });
  return out;
}

Bitmap LoadOverlayImage(const ContentRoot& content, std::string_view kind, bool thumbnail, int index,
                        int width, int height, Progress* progress) {
  ProgressRun run(thumbnail ? nullptr : progress, 100);
  Bitmap source = readOverlayFile(content, kind, thumbnail, index);
  run.advance(50);
  return stretchBilinear(source, width, height);
}

void brightnessTint(Bitmap& target, const Bitmap& overlay, int factorPercent, Progress* progress) {
  requireOverlay(overlay);
  if (target.empty()) return;
  ProgressRun run(progress, target.height());
#if VIRMEYA_HAS_AVX512_KERNELS
  if (factorPercent == 100 && simd::useAvx512Vbmi() && unitTintLanesExact()) {
    brightnessTintWide(target, overlay, run);
    return;
  }
#endif
  const Stretch stretch(overlay, target.width(), target.height());
  const int width = target.width();
  if (factorPercent == 100 && unitTintExact()) {
    const std::size_t bytes = static_cast<std::size_t>(width) * 3;
    parallelRows(target.height(), [&](int y0, int y1) {
      Stretch::Reader reader(stretch);
      std::vector<std::uint16_t> sums(bytes);
      for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = target.row(y);
        channelSums(sums.data(), p, width);
        unitTintRow(p, sums.data(), reader.row(y), bytes);
        run.advance();
      }
    });
    return;
  }
  std::unique_ptr<TintTable> own;
  const std::uint8_t* table = tintTable(factorPercent, own).data();
  parallelRows(target.height(), [&](int y0, int y1) {
    Stretch::Reader reader(stretch);
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* o = reader.row(y);
      std::uint8_t* p = target.row(y);
      for (int x = 0; x < width; ++x, p += 3, o += 3) {
        const std::uint8_t* t = table + (p[0] + p[1] + p[2]) * 256;
        p[0] = t[o[0]];
        p[1] = t[o[1]];
        p[2] = t[o[2]];
      }
      run.advance();
    }
  });
}

void offsetTint(Bitmap& target, const Bitmap& overlay, int strength, int kPercent, Progress* progress) {
  requireOverlay(overlay);
  if (target.empty()) return;
  // d for every overlay value; the channel then moves by it and is clamped.
  std::array<std::int16_t, 256> shift{};
  for (int ov = 0; ov < 256; ++ov) {
    shift[static_cast<std::size_t>(ov)] =
        static_cast<std::int16_t>(std::clamp(roundDivEven((ov - kNeutralOverlayLevel) * strength, 100), -1024, 1023));
  }
  // With a brightness factor: result[c + d + 1024] = clamp(round((c + d) · k)).
  constexpr int kBias = 1024;
  std::vector<std::uint8_t> scaled;
  if (kPercent != 100) {
    scaled.resize(2 * kBias + 256);
    for (int i = 0; i < static_cast<int>(scaled.size()); ++i) {
      scaled[static_cast<std::size_t>(i)] = ClampByte(roundDivEven((i - kBias) * kPercent, 100));
    }
  }
  // The shift as ⌊(ov · strength + 50) / 100⌋ − base in 16 bits, taken only when it equals the
  // rounded shift for every overlay value (it does for the strengths in use: no halves, no overflow).
  const bool arithmetic = [&] {
    if (kPercent != 100 || strength < 0 || strength > 255) return false;
    const int base = (kNeutralOverlayLevel * strength + 50) / 100;
    for (int ov = 0; ov < 256; ++ov) {
      if ((ov * strength + 50) / 100 - base != shift[static_cast<std::size_t>(ov)]) return false;
    }
    return true;
  }();
  const std::int16_t base = static_cast<std::int16_t>((kNeutralOverlayLevel * strength + 50) / 100);
  std::vector<std::uint8_t> moved;
  if (kPercent == 100 && !arithmetic) {
    moved.resize(256 * 256);
    for (int ov = 0; ov < 256; ++ov) {
      for (int c = 0; c < 256; ++c) moved[static_cast<std::size_t>(ov << 8 | c)] = ClampByte(c + shift[static_cast<std::size_t>(ov)]);
    }
  }
  ProgressRun run(progress, target.height());
#if VIRMEYA_HAS_AVX512_KERNELS
  if (kPercent == 100 && simd::useAvx512Vbmi() && offsetTintWide(target, overlay, shift, run)) return;
#endif
  const Stretch stretch(overlay, target.width(), target.height());
  const int bytes = 3 * target.width();
  parallelRows(target.height(), [&](int y0, int y1) {
    Stretch::Reader reader(stretch);
    std::vector<std::int16_t> d(static_cast<std::size_t>(bytes));
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* o = reader.row(y);
      std::uint8_t* p = target.row(y);
      if (arithmetic) {
        offsetRow(p, o, static_cast<std::uint16_t>(strength), base, bytes);
      } else if (scaled.empty()) {
        // One lookup per channel in the table of every (overlay, channel) pair.
        for (int x = 0; x < bytes; ++x) p[x] = moved[static_cast<std::size_t>(o[x]) << 8 | p[x]];
      } else {
        for (int x = 0; x < bytes; ++x) d[static_cast<std::size_t>(x)] = shift[o[x]];
        for (int x = 0; x < bytes; ++x) p[x] = scaled[static_cast<std::size_t>(p[x] + d[static_cast<std::size_t>(x)] + kBias)];
      }
      run.advance();
    }
  });
}

void GradientEffect(Bitmap& target, int index, bool thumbnail, const ContentRoot& content, Progress* progress) {
  if (thumbnail) {
    brightnessTint(target, readOverlayFile(content, kGradientsKind, true, index), 100, nullptr);
    return;
  }
  brightnessTint(target, readFullOverlay(content, kGradientsKind, index), 100, progress);
}

void OffsetTintEffect(Bitmap& target, int index, OffsetTintSource source, int strength,
                      const ContentRoot& content, Progress* progress) {
  const std::string_view kind = source == OffsetTintSource::ColorLights ? kColorLightsKind : kGradientsKind;
  offsetTint(target, readFullOverlay(content, kind, index), strength, 100, progress);
}

}  // namespace virmeya
