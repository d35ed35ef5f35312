// Neighbourhood filters in place: Gaussian blur, 3 × 3 box blur, Sobel edges, unsharp masking; and
// the two shadows built on the blur.
#pragma once

#include <vector>

#include "imaging/bitmap.h"

namespace virmeya {

// The weights of the Gaussian blur of `radius`: ∝ exp(−d² / (2 · radius²)) for d = −100 … 100,
// normalised to 65536 and trimmed to the non-zero ones (symmetric, odd length, sum exactly 65536).
std::vector<int> gaussianWeights(double radius);

// Separable Gaussian blur with gaussianWeights(radius); pixels beyond the edges repeat the edge
// pixel. A radius of 0 or less changes nothing. The alpha plane is left alone.
void Blur(Bitmap& bitmap, double radius);

// 3 × 3 mean (all weights 1, divisor 9, truncated); edge pixels repeat the edge.
void BoxBlur(Bitmap& bitmap);

// Grey edges: each inner pixel becomes min(255, trunc(√(gx² + gy²) / 4)) of the 3 × 3 Sobel
// responses of the grey picture; the outermost rows and columns become 0.
void Sobel(Bitmap& bitmap);

// Unsharp masking: each channel moves away from the mean of its (2·⌊neighbourhood / 2⌋ + 1)²
// window by intensity / 10 of the difference. Sharpen(10, 4): twice the value minus the 5 × 5 mean.
void Sharpen(Bitmap& bitmap, int intensity, int neighbourhood);

// A soft drop shadow behind the picture: the picture grows by e = max(2·max(|ox|, |oy|) +
// round(5·radius), 1) in width and height with the picture centred; the picture's outline (its
// alpha plane, or its rectangle) blurred over `radius`, moved by (ox, oy), at intensity / 100
// opacity, is drawn in `colour` behind it. The result carries an alpha plane.
Bitmap SoftShadow(const Bitmap& source, int radius, int offsetX, int offsetY, Bgr colour, int intensity);

// A shadow cast inwards by the surrounding frame: the picture darkens toward `colour` along its
// four edges, fading out over `radius` pixels. Radius 0 changes nothing.
void InnerShadow(Bitmap& bitmap, int radius, Bgr colour);

}  // namespace virmeya
