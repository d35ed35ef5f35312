// The thumbnails of an effect's strip: a 200-pixel copy of the photo, and the effect's thumbnail
// routine run on one copy of it per variant.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "effects/apply.h"

namespace virmeya {

// The longer side of the picture every thumbnail starts from.
inline constexpr int kThumbnailBaseSide = 200;
// A strip's cell, in which each thumbnail is shown scaled with its proportions kept.
inline constexpr int kStripCellWidth = 127;
inline constexpr int kStripCellHeight = 100;
inline constexpr int kStripSpacingX = 12;
inline constexpr int kStripSpacingY = 3;

// The size of the first thumbnail: the longer side becomes 200 and the other 200 · other / longer
// (integer division, at least 1); a picture as wide as high or wider gets width 200.
std::pair<int, int> thumbnailBaseSize(int width, int height) noexcept;
// The copy every thumbnail of a strip starts from (linear interpolation).
Bitmap thumbnailBase(const Bitmap& photo);

// How a picture is shown in a strip cell: scale = min(127 / w, 100 / h), sizes truncated, at least 1.
std::pair<int, int> stripCellSize(int width, int height) noexcept;

// One thumbnail: variant j of the effect run on a copy of `base`. An effect whose thumbnail routine
// is not built yet leaves the copy as it is. Throws what the routine throws (a missing overlay).
Bitmap makeThumbnail(const Bitmap& base, int category, int item, int variant, const EffectContext& context);

struct StripContent {
  std::vector<Bitmap> thumbnails;  // N pictures; empty for an effect that shows a panel
  std::string error;               // the first failure (a missing overlay), reported once
};
// The whole strip, in order, as the page fills it (the selection then rests on the last one).
StripContent fillStrip(const Bitmap& photo, int category, int item, const EffectContext& context);

}  // namespace virmeya
