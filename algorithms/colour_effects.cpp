// The colour effects, the overlay pictures and the brightness and offset tints.
#include "algorithms/colour_effects.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
  struct Position {
    int first = 0, second = 0;  // the two source samples
    int weight = 0;             // of the second, 0..255
  };
  // Target pixel centre t + ½ of `target` maps to source position (t + ½) · source / target − ½.
  static Position position(int t, int target, int source) {
    const long long num = (2LL * t + 1) * source * 256 - 256LL * target;
    long long fixed = num / (2LL * target);
    if (num < 0) fixed = 0;
    Position p;
    p.first = static_cast<int>(fixed >> 8);
    p.weight = static_cast<int>(fixed & 255);
    if (p.first >= source - 1) {
      p.first = source - 1;
      p.weight = 0;
    }
    p.second = std::min(p.first + 1, source - 1);
    return p;
  }

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
  parallelRows(target.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = target.row(y);
      if (exact) {
        solarizeRow(p, bytes, fast);
      } else {
        for (int i = 0; i < bytes; ++i) p[i] = lut[p[i]];
      }
      run.advance();
    }
  });
}

Bitmap readOverlayFile(const ContentRoot& content, std::string_view kind, bool thumbnail, int index) {
  const std::filesystem::path path = content.overlay(kind, thumbnail, index);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw ImagingError(ImagingErrorKind::ReadFailed, readFailure(path, "файл не найден"));
  }
  try {
    DecodedPicture picture = readPicture(path);
    picture.bitmap.dropAlpha();
    requireOverlay(picture.bitmap);
    return std::move(picture.bitmap);
  } catch (const ImagingError& e) {
    throw ImagingError(e.kind(), readFailure(path, e.what()));
  }
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
  const Stretch stretch(overlay, target.width(), target.height());
  ProgressRun run(progress, target.height());
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
  const Stretch stretch(overlay, target.width(), target.height());
  ProgressRun run(progress, target.height());
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
  Progress* bar = thumbnail ? nullptr : progress;
  const Bitmap overlay = readOverlayFile(content, kGradientsKind, thumbnail, index);
  brightnessTint(target, overlay, 100, bar);
}

void OffsetTintEffect(Bitmap& target, int index, OffsetTintSource source, int strength,
                      const ContentRoot& content, Progress* progress) {
  const std::string_view kind = source == OffsetTintSource::ColorLights ? kColorLightsKind : kGradientsKind;
  const Bitmap overlay = readOverlayFile(content, kind, false, index);
  offsetTint(target, overlay, strength, 100, progress);
}

}  // namespace virmeya
