// Geometric operations: flips, turns by any angle, crop, resampling with seven filters, the wave
// distortion. Operations that change the size return a new picture; the others work in place. The
// alpha plane, when present, follows the pixels (an uncovered area of a turned picture is
// transparent).
#pragma once

#include "imaging/bitmap.h"

namespace virmeya {

enum class FlipDirection { Horizontal, Vertical };  // left-right, top-bottom

void Flip(Bitmap& bitmap, FlipDirection direction);

// Turns by `degrees`, positive counter-clockwise. Multiples of 90° are exact pixel moves (90: source
// (x, y) lands at (y, W − 1 − x)). Other angles grow the canvas to hold the whole picture and paint
// the uncovered corners with `background`; `antialias` interpolates bilinearly (soft edges), without
// it each pixel takes its nearest source pixel.
Bitmap Rotate(const Bitmap& source, double degrees, bool antialias, Bgr background);

// The rectangle (x, y, width, height) clipped to the picture; an empty intersection is refused with
// ImagingError(InvalidArgument).
Bitmap Crop(const Bitmap& source, int x, int y, int width, int height);

// Target (x, y) takes source (⌊x · sw / W⌋, ⌊y · sh / H⌋).
Bitmap ResampleNoFilter(const Bitmap& source, int width, int height);

enum class ResampleFilter { Bilinear, Bicubic, Mitchell, Hermite, Bell, BSpline, None };

// Resampling to width × height with a reconstruction filter. On reduction the filter is widened by
// the reduction factor so every source pixel contributes (no aliasing). A size of 0 or less is
// refused with ImagingError(InvalidArgument).
Bitmap Resample(const Bitmap& source, int width, int height, ResampleFilter filter);

// Concentric ripples about the centre: every pixel is pushed diagonally by
// amplitude · sin(π · r / wavelength + phase°), r its distance from the centre in a square frame, and
// sampled bilinearly. Non-reflective mode holds the 2 × 2 neighbourhood inside the picture at the
// borders; reflective mode mirrors positions that leave the picture back into it. A wavelength of
// 0 or less leaves the picture unchanged.
void Wave(Bitmap& bitmap, int amplitude, int wavelength, double phase, bool reflective);

}  // namespace virmeya
