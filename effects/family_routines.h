// The thumbnail and apply routines of each effect family, as the catalogue refers to them. A family
// built later adds its routines here and puts them into its rows of the catalogue.
#pragma once

#include "effects/catalogue.h"

namespace virmeya::routines {

// "Цветовые"
void tintThumbnail(Bitmap& target, const EffectRun& run);
void tintApply(LayeredImage& document, const EffectRun& run);
void colorizeThumbnail(Bitmap& target, const EffectRun& run);
void colorizeApply(LayeredImage& document, const EffectRun& run);
void gradientThumbnail(Bitmap& target, const EffectRun& run);
void gradientApply(LayeredImage& document, const EffectRun& run);  // GradientNat: the offset tint
void saturationThumbnail(Bitmap& target, const EffectRun& run);
void saturationApply(LayeredImage& document, const EffectRun& run);
void solarizeThumbnail(Bitmap& target, const EffectRun& run);
void solarizeApply(LayeredImage& document, const EffectRun& run);

// "Световые": "Освещение разных цветов" with ColorNat checked is the offset tint; unchecked it is
// ColorLightEffect of the light family.
void colorLightsApply(LayeredImage& document, const EffectRun& run);

}  // namespace virmeya::routines
