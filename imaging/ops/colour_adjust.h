// Colour operations on a picture in place: hue, saturation, brightness, contrast, channel gains,
// grey and black-and-white conversions, negative, colour reduction. Pixel-exact where the program
// relies on their arithmetic. The alpha plane, when present, is left as it is.
#pragma once

#include "imaging/bitmap.h"

namespace virmeya {

// Hue rotation by `degrees` in the luma / colour-difference plane (Y, B − Y, R − Y) with the
// integer rounding of the colour-effects family.
void AdjustTint(Bitmap& bitmap, double degrees);

// Replaces every pixel by the colour of hue `hue` (degrees), saturation `saturation` (0..99) and
// value trunc(factor · grey), grey = (21·R + 71·G + 8·B) div 256 (0..99), in the integer HSV model.
void Colorize(Bitmap& bitmap, int hue, int saturation, double factor);

// The integer HSV model (hue in degrees, saturation and value 0..99) to a 0..255 colour.
Bgr hsvToBgr(int hue, int saturation, int value);

// Saturation change by `amount` (−100 grey … 0 unchanged … 160): each channel moves from the luma
// 0.3·R + 0.59·G + 0.11·B by the factor (amount + 100) / 100.
void AdjustSaturation(Bitmap& bitmap, double amount);

// Saturation step, then brightness gain (1 + brightness / 100) and the contrast curve about 170
// through one table. brightness ≥ −100, contrast −100 … 100 (100 counts as 99), saturation ≥ −100.
void AdjustBrightnessContrastSaturation(Bitmap& bitmap, int brightness, int contrast, int saturation);

// Each channel multiplied by its factor, truncated and limited to 255 (negative factors give 0).
void WhiteBalance_coef(Bitmap& bitmap, double red, double green, double blue);

// Stretches each channel about its mean: factor a / 10 + 1 for a ≥ 0, 1 − √(−a) / 10 for a < 0.
void Contrast(Bitmap& bitmap, int amount);

// Adds an amount to each channel, clamped to 0..255.
void IntensityRGBall(Bitmap& bitmap, int red, int green, int blue);

// Grey (21·R + 71·G + 8·B) div 100 in all three channels.
void ConvertToGray(Bitmap& bitmap);

// Black where the grey level is below `threshold`, white elsewhere; −1 takes the picture's mean grey.
void ConvertToBWThreshold(Bitmap& bitmap, int threshold);

// 255 − v for every channel value.
void Negative(Bitmap& bitmap);

// Hue shift (degrees), saturation and lightness changes (−100 … 100, 0 = no change) in the HSL model.
void HSLVariation(Bitmap& bitmap, double hue, int saturation, int lightness);

// Reduces the picture to at most `colors` representative colours (2 … 256), without dithering.
void ConvertTo(Bitmap& bitmap, int colors);

}  // namespace virmeya
