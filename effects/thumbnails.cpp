// Thumbnail computation for the effect strips.
#include "effects/thumbnails.h"

#include <algorithm>
#include <exception>

#include "imaging/ops/geometry.h"

namespace virmeya {

std::pair<int, int> thumbnailBaseSize(int width, int height) noexcept {
  if (width <= 0 || height <= 0) return {0, 0};
  if (width >= height) return {kThumbnailBaseSide, std::max(1, kThumbnailBaseSide * height / width)};
  return {std::max(1, kThumbnailBaseSide * width / height), kThumbnailBaseSide};
}

Bitmap thumbnailBase(const Bitmap& photo) {
  const auto [w, h] = thumbnailBaseSize(photo.width(), photo.height());
  if (w == 0) return Bitmap();
  return Resample(photo, w, h, ResampleFilter::Bilinear);
}

std::pair<int, int> stripCellSize(int width, int height) noexcept {
  if (width <= 0 || height <= 0) return {0, 0};
  const double scale = std::min(static_cast<double>(kStripCellWidth) / width,
                                static_cast<double>(kStripCellHeight) / height);
  return {std::max(1, static_cast<int>(width * scale)), std::max(1, static_cast<int>(height * scale))};
}

Bitmap makeThumbnail(const Bitmap& base, int category, int item, int variant, const EffectContext& context) {
  const EffectItem& effect = effectItem(category, item);
  Bitmap thumbnail = base.copyPixels();
  if (!effect.thumbnailRoutine) return thumbnail;
  const EffectRun run{variant, true, &context.panel, &context.setup, &context.content, nullptr, context.seed};
  effect.thumbnailRoutine(thumbnail, run);
  return thumbnail;
}

StripContent fillStrip(const Bitmap& photo, int category, int item, const EffectContext& context) {
  StripContent strip;
  const EffectItem& effect = effectItem(category, item);
  if (effect.showsPanel() || photo.empty()) return strip;
  const Bitmap base = thumbnailBase(photo);
  strip.thumbnails.reserve(static_cast<std::size_t>(effect.thumbnailCount));
  for (int j = 0; j < effect.thumbnailCount; ++j) {
    try {
      strip.thumbnails.push_back(makeThumbnail(base, category, item, j, context));
    } catch (const std::exception& e) {
      // The slot keeps the plain copy; one message tells what is missing.
      if (strip.error.empty()) strip.error = e.what();
      strip.thumbnails.push_back(base.copyPixels());
    }
  }
  return strip;
}

}  // namespace virmeya
