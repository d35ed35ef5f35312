// The separable convolution behind the Gaussian blur, for any number of interleaved channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace virmeya::ops {

// Convolves a plane of width × height pixels of `channels` interleaved bytes with the symmetric
// 65536-normalised kernel `weights`, horizontally then vertically; edges repeat.
void blurPlane(std::uint8_t* data, std::ptrdiff_t stride, int width, int height, int channels,
               const std::vector<int>& weights);

}  // namespace virmeya::ops
