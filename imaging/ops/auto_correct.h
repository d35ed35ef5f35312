// The automatic corrections: levelling, white balance, equalisation, combined enhancement and the
// Wallis local-contrast filter. Each works in place, is strong on a dull, dark or colour-cast photo
// and leaves a well-exposed one close to itself.
#pragma once

#include "imaging/bitmap.h"

namespace virmeya {

// Gain and offset of the lightness so that its darkest and lightest 0.5 % reach 0 and 255.
void AutoLevels(Bitmap& bitmap);

// Grey-world white balance measured on the mid-tones.
void AutoWhiteBalance(Bitmap& bitmap);

// Contrast-limited equalisation of the lightness histogram.
void Equalize(Bitmap& bitmap);

struct EnhanceParameters {
  int stretch = 60;     // percent of the full levels stretch that is applied
  int saturation = 20;  // percent of saturation added to a dull picture (less to a vivid one, none at all to a vivid one)
  int clip = 2;         // percent of the pixels allowed to clip, half at each end, when the levels are found
  int midtones = 25;    // percent by which the median lightness moves toward mid grey (a gamma curve)
};
void AutoEnhance(Bitmap& bitmap, const EnhanceParameters& parameters = {});

struct WallisParameters {
  int halfWidth = 2;          // the window is (2·halfWidth + 1) × (2·halfHeight + 1) pixels
  int halfHeight = 2;
  int brightnessForcing = 0;  // percent: 0 keeps each area's own mean, 100 forces the target mean
  int targetMean = 50;        // percent of full scale
  int maxGain = 10;           // the largest factor a flat area's deviation is multiplied by
  int targetDeviation = 50;   // the local standard deviation aimed at, in half levels (50 → 25 levels)
  int gainShare = 50;         // percent of the computed gain change that is kept
  int mix = 50;               // percent of the filtered lightness mixed into the picture
};
void Wallis(Bitmap& bitmap, const WallisParameters& parameters = {});

}  // namespace virmeya
