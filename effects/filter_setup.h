// The values of the effect settings dialog "Настройки эффекта" (seven pages), kept for the run and
// read at every Apply, with their table of (name, range, initial value).
#pragma once

#include <span>
#include <string_view>

#include "effects/controls.h"

namespace virmeya {

struct FilterSetupValues {
  // page 0 "Lights"
  int svetMode = 1;  // "Направленный свет" at creation
  int svetBrid = 30;
  // page 1 "Night"
  int darkBrid = 80;
  int darkAllBrid = 25;
  // page 2 "ColorLights"
  int colorBrid = 0;
  bool colorNat = false;
  // page 3 "Gradient"
  bool gradientNat = false;
  // page 4 "Spot"
  int spotDark = 110;
  int spotBrid = 25;
  // page 5 "Stars"
  int starsDark = 70;
  int starsBrid = 25;
  // page 6 "Atmos"
  int atmDark = 0;
};

std::span<const Control<FilterSetupValues>> filterSetupControls();

// The internal page captions, in page order ("Lights", "Night", …).
std::span<const std::string_view> filterSetupPageCaptions();

inline constexpr const char* kFilterSetupTitle = "Настройки эффекта";

}  // namespace virmeya
