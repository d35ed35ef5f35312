// The colour effects ("Цветовой тон", "Колоризация", "Градиенты", "Насыщенность", "Соляризация"),
// the numbered overlay pictures of the content folders and the two rules by which an overlay
// colours a photo: the brightness tint and the offset tint.
#pragma once

#include <cstdint>
#include <string_view>

#include "algorithms/content_root.h"
#include "algorithms/progress.h"
#include "imaging/bitmap.h"

namespace virmeya {

// Every colour effect offers fourteen variants, numbered 0 to 13.
inline constexpr int kColourVariantCount = 14;

// The overlay grey that leaves a channel unchanged under the offset tint.
inline constexpr int kNeutralOverlayLevel = 180;
// The strength Apply gives the offset tint ("Полупрозрачный градиент", natural colour lights).
inline constexpr int kOffsetTintStrength = 80;

inline constexpr std::string_view kGradientsKind = "Gradients";
inline constexpr std::string_view kColorLightsKind = "ColorLights";

// ---- variant parameters (the same for thumbnail i and for Apply with variant i)

// Hue rotation of variant i: −195, −165, …, −15, 15, …, 195 degrees — never 0.
constexpr int tintDegreesForVariant(int i) noexcept { return 30 * i - 195; }

struct ColorizeParameters {
  int hue;
  int saturation;  // 20 … 150; the colour model clamps it to 99
  double lightnessFactor;
};
constexpr ColorizeParameters colorizeForVariant(int i) noexcept { return {30 * i - 195, 10 * i + 20, 1.5}; }

// Saturation change of variant i: −100 (grey) … 160; variant 5 is 0, the unchanged photo.
constexpr int saturationForVariant(int i) noexcept { return 20 * i - 100; }

// Solarisation step of variant i: 20 … 150.
constexpr int solarizeStepForVariant(int i) noexcept { return 10 * i + 20; }

// ---- the effects, in place on one bitmap (the photo or a thumbnail)

// AdjustTint, Colorize and AdjustSaturation with the parameters of variant i.
void TintVariant(Bitmap& target, int variant);
void ColorizeVariant(Bitmap& target, int variant);
void SaturationVariant(Bitmap& target, int variant);

// Each channel value v becomes (step · round(v / step)) mod 256. On the photo (onPhoto) the bar
// counts rows.
void SolarizeEffect(Bitmap& target, int step, bool onPhoto, Progress* progress = nullptr);

// The brightness tint with factor 1 from gradient picture `index` ("Data/Small/Gradients/" for a
// thumbnail, "Data/Full/Gradients/" on the photo). Throws ImagingError when the overlay cannot be
// read; the target is then untouched.
void GradientEffect(Bitmap& target, int index, bool thumbnail, const ContentRoot& content,
                    Progress* progress = nullptr);

// Which full-size overlay set the offset tint reads.
enum class OffsetTintSource : int { Gradients = 0, ColorLights = 1 };

// The offset tint from the full-size overlay `index` of the chosen set: c' = clamp(c + d),
// d = round((overlay − 180) · strength / 100). Throws like GradientEffect.
void OffsetTintEffect(Bitmap& target, int index, OffsetTintSource source, int strength,
                      const ContentRoot& content, Progress* progress = nullptr);

// The overlay picture `index` of `kind`, stretched bilinearly to exactly width × height whatever
// its own proportions. Throws ImagingError naming the file when it is missing or unreadable.
Bitmap LoadOverlayImage(const ContentRoot& content, std::string_view kind, bool thumbnail, int index,
                        int width, int height, Progress* progress = nullptr);

// Reads an overlay file at its own size (the stretch happens row by row in the tints below, so a
// full-size photo never needs a second full-size picture). Throws like LoadOverlayImage.
Bitmap readOverlayFile(const ContentRoot& content, std::string_view kind, bool thumbnail, int index);

// ---- the two overlay rules, on an overlay of any size stretched to the target on the fly

// Brightness tint: with S = R + G + B of the photo pixel, each channel becomes
// clamp(round(overlay channel · S · factorPercent / 60000)) — factor 1 is 100.
void brightnessTint(Bitmap& target, const Bitmap& overlay, int factorPercent = 100,
                    Progress* progress = nullptr);

// Offset tint: d = round((overlay channel − 180) · strength / 100), c' = clamp(c + d); with a
// brightness factor other than 100 per cent, c' = clamp(round((c + d) · kPercent / 100)).
void offsetTint(Bitmap& target, const Bitmap& overlay, int strength, int kPercent = 100,
                Progress* progress = nullptr);

// The bilinear stretch that every overlay goes through (the same arithmetic as the row-by-row
// tints): a new bitmap of width × height.
Bitmap stretchBilinear(const Bitmap& source, int width, int height);

}  // namespace virmeya
