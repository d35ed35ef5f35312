// The effect catalogue: seven categories, their effects, how each effect fills its strip of
// thumbnails (or which panel it shows) and what Apply runs for it. The one registry that the page,
// Apply, the command line and the tests iterate.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "algorithms/content_root.h"
#include "algorithms/progress.h"
#include "imaging/bitmap.h"
#include "imaging/layered_image.h"

namespace virmeya {

struct EffectsPanel;
struct FilterSetupValues;

// Everything a routine reads besides its target.
struct EffectRun {
  int variant = 0;          // the thumbnail index: j while filling a strip, a on Apply
  bool thumbnail = false;   // a thumbnail (the "Small" overlays, no progress) or the photo
  const EffectsPanel* panel = nullptr;
  const FilterSetupValues* setup = nullptr;
  const ContentRoot* content = nullptr;
  Progress* progress = nullptr;  // the photo's progress bar; null for thumbnails
  std::uint64_t seed = 0;        // for the effects that draw random numbers
};

// Runs on one thumbnail in place (it may change the thumbnail's size).
using ThumbnailRoutine = void (*)(Bitmap& target, const EffectRun& run);
// Runs on the document: changes layer 0 in place, or adds layers and merges them, returning with
// layer 0 alone.
using ApplyRoutine = void (*)(LayeredImage& document, const EffectRun& run);

// FilterSetup page numbers.
enum class SetupPage : int { None = -1, Lights = 0, Night = 1, ColorLights = 2, Gradient = 3, Spot = 4, Stars = 5, Atmos = 6 };

struct EffectItem {
  std::string_view caption;
  int thumbnailCount;             // N; 0 for an effect that shows a panel instead
  std::string_view panel;         // the panel's name, empty for strip effects
  SetupPage setupPage;            // ButSetup is enabled exactly when this is not None
  std::string_view thumbnailRule; // the thumbnail routine with its parameters, as the help lists it
  std::string_view applyRule;     // what Apply runs, likewise
  bool repaintPerSlot;            // the strip is repainted after each thumbnail
  ThumbnailRoutine thumbnailRoutine;  // null until the effect's family is built
  ApplyRoutine applyRoutine;          // likewise

  bool showsPanel() const noexcept { return thumbnailCount == 0; }
  bool setupEnabled() const noexcept { return setupPage != SetupPage::None; }
  bool available() const noexcept { return applyRoutine != nullptr; }
};

struct EffectCategory {
  std::string_view caption;       // the tab's caption
  std::string_view selectorName;  // ColorModa, SvetoModa, …
  std::string_view stripName;     // ColorPR, SvetaPR, …
  std::span<const EffectItem> items;
  std::span<const std::string_view> itemCaptions;  // the selector's items, in order
};

inline constexpr int kCategoryCount = 7;
inline constexpr int kColourCategory = 0, kLightCategory = 1, kGeometricCategory = 2, kBasicCategory = 3,
                     kCompositeCategory = 4, kStylisationCategory = 5, kNaturalCategory = 6;

std::span<const EffectCategory> effectCategories();
const EffectCategory& effectCategory(int category);  // throws std::out_of_range
const EffectItem& effectItem(int category, int item);  // throws std::out_of_range

// The Effects menu's entries in menu order ("Базовые", "Цветовые", "Световые", …) with the tab
// each one selects; -1 marks a separator.
struct EffectsMenuEntry {
  std::string_view caption;
  int category;
};
std::span<const EffectsMenuEntry> effectsMenuEntries();

// The effect catalogue's buttons, row by row; target −1 is the Montage page.
struct CatalogueButton {
  std::string_view caption;
  int category;
};
std::span<const CatalogueButton> catalogueButtons();

// What the settings dialog shows: the page that fits the selected effect (None → page 0 with the
// button disabled).
SetupPage setupPageFor(int category, int item);

// The message an effect whose family is not built yet gives when applied.
inline constexpr const char* kNotAvailableYet = "Этот эффект пока недоступен";

// Thrown by a routine for a setting whose algorithm is not built yet.
class EffectUnavailable : public std::runtime_error {
 public:
  EffectUnavailable() : std::runtime_error(kNotAvailableYet) {}
};

}  // namespace virmeya
