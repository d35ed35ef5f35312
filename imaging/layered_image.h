// LayeredImage: the document. Layer 0 is the photo; layers above it are pending pictures that a tool
// placed over it, combined into layer 0 by the one merge rule.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace virmeya {

// Per-channel blend operations; s is the value of the layer above, d the value merged so far.
enum class BlendOp {
  Copy,        // s
  Lighten,     // max(d, s)
  Darken,      // min(d, s)
  HardLight,   // s >= 128: 255 - ((255 - d)(255 - s) div 128); else s·d div 128
  Screen,      // 255 - ((255 - d)(255 - s) div 256)
  ColorDodge,  // s = 255: 255; else min(255, d·256 div (255 - s))
  Minimum,     // min(d, s), the pencil effect's name for darken
};

// op(s, d) for one channel.
int blendChannel(BlendOp op, int s, int d) noexcept;

struct Layer {
  Bitmap bitmap;             // pixels, and the per-pixel alpha when the layer carries one
  int x = 0, y = 0;          // position of the top-left corner in the document
  int displayWidth = 0;      // drawn at this size (scaled when it differs from the bitmap)
  int displayHeight = 0;
  int transparency = 255;    // the layer's weight 0..255 (255 opaque)
  BlendOp op = BlendOp::Copy;
  bool visible = true;
  bool selectable = true;
  bool locked = false;
  bool cropped = false;      // drawn only inside layer 0 and ignored when the merged size is worked out
  bool frameShown = true;    // the view draws its layer box

  int right() const noexcept { return x + displayWidth; }
  int bottom() const noexcept { return y + displayHeight; }
  bool scaled() const noexcept {
    return displayWidth != bitmap.width() || displayHeight != bitmap.height();
  }
  // Display size := the bitmap's size (after the bitmap was replaced).
  void fitDisplayToBitmap() noexcept {
    displayWidth = bitmap.width();
    displayHeight = bitmap.height();
  }
};

class LayeredImage {
 public:
  LayeredImage();  // one empty layer 0

  int layerCount() const noexcept { return static_cast<int>(layers_.size()); }
  Layer& layer(int i) { return layers_.at(static_cast<std::size_t>(i)); }
  const Layer& layer(int i) const { return layers_.at(static_cast<std::size_t>(i)); }
  Layer& photo() { return layers_.front(); }
  const Layer& photo() const { return layers_.front(); }

  int currentLayer() const noexcept { return current_; }
  void setCurrentLayer(int i);
  Layer& current() { return layer(current_); }
  const Layer& current() const { return layer(current_); }

  // Adds a layer on top holding `bitmap` at (x, y) with its own size, and makes it current.
  Layer& addLayer(Bitmap bitmap, int x = 0, int y = 0);
  void removeLayer(int i);                 // layer 0 cannot be removed
  void removeAllButPhoto();                // drops every pending layer; layer 0 becomes current
  void moveLayer(int from, int to);        // reorders pending layers (layer 0 stays at the bottom)
  // Replaces layer 0's picture (position 0, display size = picture size).
  void setPhoto(Bitmap bitmap);

  Bgr background() const noexcept { return background_; }
  void setBackground(Bgr c) noexcept { background_ = c; }
  // Fills the current layer's pixels with the background colour.
  void clearCurrentToBackground();

  // Merges every visible layer into layer 0 by the blend rule
  //   result = below + floor(w · (op(above, below) − below) / 256)
  // per channel, bottom to top, w = min(transparency, alpha) where the layer has per-pixel alpha,
  // else its transparency. The result covers layer 0 and every non-cropped visible layer measured
  // from (0, 0); cropped layers are clipped to layer 0; uncovered pixels take the background colour.
  // Afterwards layer 0 alone remains, at (0, 0), without alpha, and is current.
  void mergeAll();

  // The merged picture without changing the document (what the view shows).
  Bitmap flattened() const;

 private:
  std::vector<Layer> layers_;
  int current_ = 0;
  Bgr background_ = kWhite;
};

// Blends `layer` onto `target` (whose top-left is document point (originX, originY)) by the merge rule;
// clip limits the drawn area to the target rectangle [clipX0, clipX1) × [clipY0, clipY1) in target
// coordinates.
void blendLayerOnto(Bitmap& target, const Layer& layer, int originX, int originY, int clipX0,
                    int clipY0, int clipX1, int clipY1);

// For every pixel of target, alpha := red channel of mask at the same (x, y). The mask must be at
// least as large as the target (else ImagingError InvalidArgument).
void CopyMaskToAlpha(Bitmap& target, const Bitmap& mask);

// Merges the alpha plane onto white and removes it: c := 255 − ceil((255 − c) · α / 256).
void flattenAlphaOntoWhite(Bitmap& bitmap);

// Fills every pixel (not the alpha plane) with c.
void fill(Bitmap& bitmap, Bgr c);

// Resizes the canvas to width × height keeping the picture at the top-left; new area filled with c.
// The alpha plane, when present, is kept likewise (new area opaque).
void resizeCanvas(Bitmap& bitmap, int width, int height, Bgr c);

}  // namespace virmeya
