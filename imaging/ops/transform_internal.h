// Helpers shared by the geometric operations' files.
#pragma once

#include "imaging/bitmap.h"

namespace virmeya::ops {

// A turn by quarters × 90° counter-clockwise (negative: clockwise), an exact pixel move.
Bitmap rotateQuarter(const Bitmap& source, int quarters);

}  // namespace virmeya::ops
