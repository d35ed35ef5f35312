// The options the commands `effect` and `thumbnails` share: the effect chosen, the controls set by
// name and the content root.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "algorithms/content_root.h"
#include "effects/apply.h"

namespace virmeya::cli {

struct EffectOptions {
  EffectChoice choice;
  bool categoryGiven = false, itemGiven = false, variantGiven = false;
  EffectsPanel panel;
  FilterSetupValues setup;
  ContentRoot content;
  std::uint64_t seed = 0;
  std::string outputDir;
  std::vector<std::string> files;
};

// Parses the arguments; returns an empty string or the reason they are refused (a usage error).
// `withApply` admits --variant, --area, --opacity, --seed and --output-dir.
std::string parseEffectOptions(const std::vector<std::string>& args, bool withApply, EffectOptions& options);

}  // namespace virmeya::cli
