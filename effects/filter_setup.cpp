// The settings dialog's control table.
#include "effects/filter_setup.h"

#include <array>

namespace virmeya {

namespace {

using C = Control<FilterSetupValues>;
using V = FilterSetupValues;

constexpr std::array<std::string_view, 5> kLightModes = {
    "Мягкий свет", "Направленный свет", "Жёсткий свет", "Заливающий свет", "Выжигающий свет"};

constexpr std::array<std::string_view, 7> kPages = {"Lights", "Night", "ColorLights", "Gradient",
                                                     "Spot", "Stars", "Atmos"};

const std::array<C, 12> kControls = {{
    {"SvetMode", "Способ обработки", ControlKind::Choice, 0, 4, 1, &V::svetMode, nullptr, "Lights", {}, kLightModes},
    {"SvetBrid", "Яркость света", ControlKind::Slider, 1, 100, 30, &V::svetBrid, nullptr, "Lights"},
    {"DarkBrid", "Уровень затемнения", ControlKind::Slider, 40, 100, 80, &V::darkBrid, nullptr, "Night"},
    {"DarkAllBrid", "Общая яркость", ControlKind::Slider, 25, 100, 25, &V::darkAllBrid, nullptr, "Night"},
    {"ColorBrid", "Общая яркость", ControlKind::Slider, -80, 80, 0, &V::colorBrid, nullptr, "ColorLights"},
    {"ColorNat", "Сохранять натуральные цвета на фото", ControlKind::Check, 0, 1, 0, nullptr, &V::colorNat,
     "ColorLights"},
    {"GradientNat", "Полупрозрачный градиент", ControlKind::Check, 0, 1, 0, nullptr, &V::gradientNat, "Gradient"},
    {"SpotDark", "Уровень затемнения", ControlKind::Slider, 40, 150, 110, &V::spotDark, nullptr, "Spot"},
    {"SpotBrid", "Общая яркость", ControlKind::Slider, 25, 100, 25, &V::spotBrid, nullptr, "Spot"},
    {"StarsDark", "Уровень затемнения", ControlKind::Slider, 40, 150, 70, &V::starsDark, nullptr, "Stars"},
    {"StarsBrid", "Общая яркость", ControlKind::Slider, 25, 100, 25, &V::starsBrid, nullptr, "Stars"},
    {"AtmDark", "Затемнение", ControlKind::Slider, 0, 150, 0, &V::atmDark, nullptr, "Atmos"},
}};

}  // namespace

std::span<const Control<FilterSetupValues>> filterSetupControls() { return kControls; }
std::span<const std::string_view> filterSetupPageCaptions() { return kPages; }

}  // namespace virmeya
