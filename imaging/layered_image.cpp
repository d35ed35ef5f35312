// The layered document and its merge rule.
#include "imaging/layered_image.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imaging/errors.h"
#include "imaging/parallel.h"

namespace virmeya {

int blendChannel(BlendOp op, int s, int d) noexcept {
  switch (op) {
    case BlendOp::Copy: return s;
    case BlendOp::Lighten: return std::max(d, s);
    case BlendOp::Darken:
    case BlendOp::Minimum: return std::min(d, s);
    case BlendOp::HardLight:
      return s >= 128 ? 255 - (255 - d) * (255 - s) / 128 : s * d / 128;
    case BlendOp::Screen: return 255 - (255 - d) * (255 - s) / 256;
    case BlendOp::ColorDodge: return s == 255 ? 255 : std::min(255, d * 256 / (255 - s));
  }
  return s;
}

namespace {

// op(s, d) for every pair, so the divisions and branches of the blend operations leave the hot loop.
template <BlendOp Op>
const std::uint8_t* blendTable() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(256 * 256);
    for (int s = 0; s < 256; ++s) {
      for (int d = 0; d < 256; ++d) t[static_cast<std::size_t>(s << 8 | d)] = static_cast<std::uint8_t>(blendChannel(Op, s, d));
    }
    return t;
  }();
  return table.data();
}

template <BlendOp Op>
inline int blendOne(const std::uint8_t* table, int s, int d) noexcept {
  // Shifts equal the integer divisions here (the operands are never negative), and keep the
  // loop vectorisable; only colour dodge divides by a variable and reads the table.
  if constexpr (Op == BlendOp::Copy) {
    (void)table, (void)d;
    return s;
  } else if constexpr (Op == BlendOp::Lighten) {
    (void)table;
    return std::max(s, d);
  } else if constexpr (Op == BlendOp::Darken || Op == BlendOp::Minimum) {
    (void)table;
    return std::min(s, d);
  } else if constexpr (Op == BlendOp::Screen) {
    (void)table;
    return 255 - (((255 - d) * (255 - s)) >> 8);
  } else if constexpr (Op == BlendOp::HardLight) {
    (void)table;
    const int high = 255 - (((255 - d) * (255 - s)) >> 7);
    const int low = (s * d) >> 7;
    const int upper = -(s >> 7);  // all ones when s >= 128
    return (high & upper) | (low & ~upper);
  } else {
    return table[s << 8 | d];
  }
}

// One row of the merge: dst[i] = dst[i] + floor(w · (op(src, dst) − dst) / 256).
// srcX maps a target column to a source column (identity when unscaled).
template <BlendOp Op, bool HasAlpha, bool Scaled>
void blendRow(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* alpha, int count,
              int weight, const int* srcX) noexcept {
  const std::uint8_t* table = Op == BlendOp::ColorDodge ? blendTable<Op>() : nullptr;
  for (int i = 0; i < count; ++i) {
    const int sx = Scaled ? srcX[i] : i;
    int w = weight;
    if constexpr (HasAlpha) w = std::min<int>(weight, alpha[sx]);
    const std::uint8_t* s = src + 3 * sx;
    std::uint8_t* d = dst + 3 * i;
    for (int c = 0; c < 3; ++c) {
      const int below = d[c];
      d[c] = static_cast<std::uint8_t>(below + ((w * (blendOne<Op>(table, s[c], below) - below)) >> 8));
    }
  }
}

using RowFn = void (*)(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int, int, const int*);

template <BlendOp Op>
RowFn pickRow(bool alpha, bool scaled) {
  if (alpha) return scaled ? &blendRow<Op, true, true> : &blendRow<Op, true, false>;
  return scaled ? &blendRow<Op, false, true> : &blendRow<Op, false, false>;
}

RowFn pickRow(BlendOp op, bool alpha, bool scaled) {
  switch (op) {
    case BlendOp::Copy: return pickRow<BlendOp::Copy>(alpha, scaled);
    case BlendOp::Lighten: return pickRow<BlendOp::Lighten>(alpha, scaled);
    case BlendOp::Darken: return pickRow<BlendOp::Darken>(alpha, scaled);
    case BlendOp::HardLight: return pickRow<BlendOp::HardLight>(alpha, scaled);
    case BlendOp::Screen: return pickRow<BlendOp::Screen>(alpha, scaled);
    case BlendOp::ColorDodge: return pickRow<BlendOp::ColorDodge>(alpha, scaled);
    case BlendOp::Minimum: return pickRow<BlendOp::Minimum>(alpha, scaled);
  }
  return pickRow<BlendOp::Copy>(alpha, scaled);
}

// Layer 0 is the base of the merge: an opaque, plain photo is copied as it is rather than blended
// onto the background (a weight of 255 would otherwise take one level off every channel).
bool isOpaqueBase(const Layer& l) {
  return l.op == BlendOp::Copy && l.transparency >= 255 && !l.bitmap.hasAlpha();
}

void drawLayers(const std::vector<Layer>& layers, Bitmap& target, bool baseInPlace) {
  const Layer& base = layers.front();
  const int baseX0 = std::max(0, base.x), baseY0 = std::max(0, base.y);
  const int baseX1 = std::min(target.width(), base.right());
  const int baseY1 = std::min(target.height(), base.bottom());
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const Layer& l = layers[i];
    if (!l.visible || l.bitmap.empty()) continue;
    if (i == 0 && baseInPlace) continue;
    if (i == 0 && isOpaqueBase(l)) {
      const Bitmap& src = l.bitmap;
      for (int y = baseY0; y < baseY1; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y - l.y) * src.height() / l.displayHeight);
        std::uint8_t* out = target.row(y);
        if (!l.scaled()) {
          std::memcpy(out + 3 * baseX0, src.row(sy) + 3 * (baseX0 - l.x),
                      static_cast<std::size_t>(baseX1 - baseX0) * 3);
          continue;
        }
        for (int x = baseX0; x < baseX1; ++x) {
          const int sx = static_cast<int>(static_cast<long long>(x - l.x) * src.width() / l.displayWidth);
          std::memcpy(out + 3 * x, src.row(sy) + 3 * sx, 3);
        }
      }
      continue;
    }
    const bool clip = l.cropped && i > 0;
    blendLayerOnto(target, l, 0, 0, clip ? baseX0 : 0, clip ? baseY0 : 0,
                   clip ? baseX1 : target.width(), clip ? baseY1 : target.height());
  }
}

}  // namespace

void blendLayerOnto(Bitmap& target, const Layer& layer, int originX, int originY, int clipX0,
                    int clipY0, int clipX1, int clipY1) {
  const Bitmap& src = layer.bitmap;
  if (src.empty() || layer.displayWidth <= 0 || layer.displayHeight <= 0) return;
  const int lx = layer.x - originX, ly = layer.y - originY;
  const int x0 = std::max({0, clipX0, lx});
  const int y0 = std::max({0, clipY0, ly});
  const int x1 = std::min({target.width(), clipX1, lx + layer.displayWidth});
  const int y1 = std::min({target.height(), clipY1, ly + layer.displayHeight});
  if (x0 >= x1 || y0 >= y1) return;
  const int weight = std::clamp(layer.transparency, 0, 255);
  const bool scaled = layer.scaled();
  const bool alpha = src.hasAlpha();
  std::vector<int> srcX;
  if (scaled) {
    srcX.resize(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
      srcX[static_cast<std::size_t>(x - x0)] = static_cast<int>(
          static_cast<long long>(x - lx) * src.width() / layer.displayWidth);
    }
  }
  const RowFn rowFn = pickRow(layer.op, alpha, scaled);
  parallelRows(y1 - y0, [&](int b0, int b1) {
    for (int y = y0 + b0; y < y0 + b1; ++y) {
      int sy = y - ly;
      if (scaled) sy = static_cast<int>(static_cast<long long>(sy) * src.height() / layer.displayHeight);
      const int firstSrcX = scaled ? 0 : x0 - lx;
      const std::uint8_t* srcRow = src.row(sy) + (scaled ? 0 : 3 * firstSrcX);
      const std::uint8_t* alphaRow = alpha ? src.alphaRow(sy) + (scaled ? 0 : firstSrcX) : nullptr;
      rowFn(target.row(y) + 3 * x0, srcRow, alphaRow, x1 - x0, weight, srcX.data());
    }
  });
}

LayeredImage::LayeredImage() {
  layers_.emplace_back();
  layers_.front().frameShown = false;
}

void LayeredImage::setCurrentLayer(int i) {
  if (i < 0 || i >= layerCount()) throw std::out_of_range("no such layer");
  current_ = i;
}

Layer& LayeredImage::addLayer(Bitmap bitmap, int x, int y) {
  Layer l;
  l.bitmap = std::move(bitmap);
  l.x = x;
  l.y = y;
  l.fitDisplayToBitmap();
  layers_.push_back(std::move(l));
  current_ = layerCount() - 1;
  return layers_.back();
}

void LayeredImage::removeLayer(int i) {
  if (i <= 0 || i >= layerCount()) throw std::out_of_range("layer 0 cannot be removed");
  layers_.erase(layers_.begin() + i);
  if (current_ >= i) current_ = std::max(0, current_ - 1);
}

void LayeredImage::removeAllButPhoto() {
  layers_.resize(1);
  current_ = 0;
}

void LayeredImage::moveLayer(int from, int to) {
  if (from <= 0 || to <= 0 || from >= layerCount() || to >= layerCount()) {
    throw std::out_of_range("only pending layers move");
  }
  Layer l = std::move(layers_[static_cast<std::size_t>(from)]);
  layers_.erase(layers_.begin() + from);
  layers_.insert(layers_.begin() + to, std::move(l));
  if (current_ == from) current_ = to;
}

void LayeredImage::setPhoto(Bitmap bitmap) {
  Layer& p = layers_.front();
  p.bitmap = std::move(bitmap);
  p.x = p.y = 0;
  p.fitDisplayToBitmap();
}

void LayeredImage::clearCurrentToBackground() { fill(current().bitmap, background_); }

namespace {

// Size of the merged picture: the largest right and bottom edges of layer 0 and of every visible
// layer that is not cropped, measured from (0, 0).
std::pair<int, int> mergedExtent(const std::vector<Layer>& layers) {
  int w = std::max(0, layers.front().right()), h = std::max(0, layers.front().bottom());
  for (std::size_t i = 1; i < layers.size(); ++i) {
    const Layer& l = layers[i];
    if (!l.visible || l.cropped || l.bitmap.empty()) continue;
    w = std::max(w, l.right());
    h = std::max(h, l.bottom());
  }
  return {w, h};
}

}  // namespace

Bitmap LayeredImage::flattened() const {
  const auto [w, h] = mergedExtent(layers_);
  if (w <= 0 || h <= 0) return Bitmap();
  Bitmap out(w, h, background_);
  drawLayers(layers_, out, false);
  return out;
}

void LayeredImage::mergeAll() {
  Layer& base = layers_.front();
  const auto [w, h] = mergedExtent(layers_);
  const bool inPlace = base.x == 0 && base.y == 0 && !base.scaled() && base.visible &&
                       isOpaqueBase(base) && w == base.bitmap.width() && h == base.bitmap.height();
  if (inPlace) {
    drawLayers(layers_, base.bitmap, true);
  } else if (w > 0 && h > 0) {
    Bitmap out(w, h, background_);
    drawLayers(layers_, out, false);
    base.bitmap = std::move(out);
  }
  base.bitmap.dropAlpha();
  base.x = base.y = 0;
  base.fitDisplayToBitmap();
  layers_.resize(1);
  current_ = 0;
}

void CopyMaskToAlpha(Bitmap& target, const Bitmap& mask) {
  if (mask.width() < target.width() || mask.height() < target.height()) {
    throw ImagingError(ImagingErrorKind::InvalidArgument,
                       "маска меньше изображения, к которому она применяется");
  }
  if (target.empty()) return;
  if (!target.hasAlpha()) target.addAlpha();
  for (int y = 0; y < target.height(); ++y) {
    const std::uint8_t* m = mask.row(y);
    std::uint8_t* a = target.alphaRow(y);
    for (int x = 0; x < target.width(); ++x) a[x] = m[3 * x + 2];
  }
}

void flattenAlphaOntoWhite(Bitmap& bitmap) {
  if (!bitmap.hasAlpha()) return;
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      const std::uint8_t* a = bitmap.alphaRow(y);
      for (int x = 0; x < bitmap.width(); ++x) {
        for (int c = 0; c < 3; ++c) {
          const int t = (255 - p[3 * x + c]) * a[x];
          p[3 * x + c] = static_cast<std::uint8_t>(255 - (t + 255) / 256);  // ceil(t / 256)
        }
      }
    }
  });
  bitmap.dropAlpha();
}

void fill(Bitmap& bitmap, Bgr c) {
  if (bitmap.empty()) return;
  Bitmap filled(bitmap.width(), 1, c);
  for (int y = 0; y < bitmap.height(); ++y) {
    std::memcpy(bitmap.row(y), filled.row(0), static_cast<std::size_t>(bitmap.width()) * 3);
  }
}

void resizeCanvas(Bitmap& bitmap, int width, int height, Bgr c) {
  Bitmap out(width, height, c);
  const int w = std::min(width, bitmap.width()), h = std::min(height, bitmap.height());
  for (int y = 0; y < h; ++y) {
    std::memcpy(out.row(y), bitmap.row(y), static_cast<std::size_t>(w) * 3);
  }
  if (bitmap.hasAlpha()) {
    out.addAlpha(255);
    for (int y = 0; y < h; ++y) std::memcpy(out.alphaRow(y), bitmap.alphaRow(y), static_cast<std::size_t>(w));
  }
  bitmap = std::move(out);
}

}  // namespace virmeya
