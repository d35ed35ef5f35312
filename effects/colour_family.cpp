// The routines of the category "Цветовые": thumbnails and Apply of the five colour effects.
#include "algorithms/colour_effects.h"
#include "effects/family_routines.h"
#include "effects/filter_setup.h"

namespace virmeya::routines {

void tintThumbnail(Bitmap& target, const EffectRun& run) { TintVariant(target, run.variant); }
void tintApply(LayeredImage& document, const EffectRun& run) { TintVariant(document.photo().bitmap, run.variant); }

void colorizeThumbnail(Bitmap& target, const EffectRun& run) { ColorizeVariant(target, run.variant); }
void colorizeApply(LayeredImage& document, const EffectRun& run) {
  ColorizeVariant(document.photo().bitmap, run.variant);
}

void gradientThumbnail(Bitmap& target, const EffectRun& run) {
  GradientEffect(target, run.variant, true, *run.content);
}
void gradientApply(LayeredImage& document, const EffectRun& run) {
  Bitmap& photo = document.photo().bitmap;
  if (run.setup && run.setup->gradientNat) {
    OffsetTintEffect(photo, run.variant, OffsetTintSource::Gradients, kOffsetTintStrength, *run.content,
                     run.progress);
  } else {
    GradientEffect(photo, run.variant, false, *run.content, run.progress);
  }
}

void saturationThumbnail(Bitmap& target, const EffectRun& run) { SaturationVariant(target, run.variant); }
void saturationApply(LayeredImage& document, const EffectRun& run) {
  SaturationVariant(document.photo().bitmap, run.variant);
}

void solarizeThumbnail(Bitmap& target, const EffectRun& run) {
  SolarizeEffect(target, solarizeStepForVariant(run.variant), false);
}
void solarizeApply(LayeredImage& document, const EffectRun& run) {
  SolarizeEffect(document.photo().bitmap, solarizeStepForVariant(run.variant), true, run.progress);
}

void colorLightsApply(LayeredImage& document, const EffectRun& run) {
  if (!run.setup || !run.setup->colorNat) throw EffectUnavailable();
  OffsetTintEffect(document.photo().bitmap, run.variant, OffsetTintSource::ColorLights, kOffsetTintStrength,
                   *run.content, run.progress);
}

}  // namespace virmeya::routines
