// Apply: the chosen effect on the full-size photo, then limited to the processing area or weakened
// by the opacity, combined with the untouched photo by the merge rule.
#pragma once

#include <cstdint>
#include <string>

#include "algorithms/content_root.h"
#include "algorithms/progress.h"
#include "effects/catalogue.h"
#include "effects/effects_panel.h"
#include "effects/filter_setup.h"
#include "imaging/bitmap.h"
#include "imaging/layered_image.h"

namespace virmeya {

// The category, its selector's item and the selected thumbnail (a).
struct EffectChoice {
  int category = 0;
  int item = 0;
  int variant = 0;
};

// What Apply reads besides the photo: the page's and the dialog's controls and the content.
struct EffectContext {
  const EffectsPanel& panel;
  const FilterSetupValues& setup;
  const ContentRoot& content;
  Progress* progress = nullptr;
  std::uint64_t seed = 0;
};

struct ApplyOutcome {
  bool ok = false;
  std::string message;  // why nothing was applied, in the user's words
  explicit operator bool() const noexcept { return ok; }
};

// Full-size storage kept between Applies: a fresh 72 MB picture costs more than the effect itself.
struct ApplyBuffers {
  Bitmap result;
  Bitmap photoLayer;
};

// The area mask files of AreaBox items 1 to 4 (the file named for the opposite region: a mask is
// light where the photo stays); empty for the other items.
const char* areaMaskFile(ProcessingArea area) noexcept;

// The border band of "Границы": e = round(0.07 · W), from the width alone.
int borderBand(int photoWidth) noexcept;
// The contour of "Границы с контуром": v = round(0.05 · e).
int contourWidth(int band) noexcept;

// Renders what Apply leaves in layer 0 into `result`: a copy of `committed`, the effect, then the
// area or the opacity. On failure (an effect not built yet, a missing or unreadable mask or overlay)
// returns the reason and the caller keeps its photo and history as they were.
ApplyOutcome renderEffect(const Bitmap& committed, const EffectChoice& choice, const EffectContext& context,
                          Bgr background, Bitmap& result, ApplyBuffers* buffers = nullptr);

// Apply's steps 1, 3 and 4 on a document: on success layer 0 alone holds the result; on failure the
// document is untouched. The history step is the caller's (the Studio's protocol).
ApplyOutcome applyEffect(LayeredImage& document, const Bitmap& committed, const EffectChoice& choice,
                         const EffectContext& context, ApplyBuffers* buffers = nullptr);

// Step 4 alone, on a document whose layer 0 holds the effect result: items 1–4 take the mask picture
// (any size, stretched without filtering), items 5 and 6 draw theirs; "Полностью" applies the
// opacity when it is active. Exposed for the tests of the blend arithmetic.
void limitEffect(LayeredImage& document, const Bitmap& committed, const EffectsPanel& panel,
                 const Bitmap* maskPicture, ApplyBuffers* buffers = nullptr);

// The per-pixel weight of the untouched photo for an area (255 where the photo stays): the mask
// the area step lays over the effect, as a W × H grey picture.
Bitmap areaMask(ProcessingArea area, int width, int height, const Bitmap* maskPicture);

}  // namespace virmeya
