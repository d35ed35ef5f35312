// The catalogue tables and the control tables of the Effects page and of the settings dialog.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "effects/catalogue.h"
#include "effects/effects_panel.h"
#include "effects/filter_setup.h"

namespace virmeya {
namespace {

TEST(Catalogue, SevenCategoriesWithTheirSelectorsAndStrips) {
  const auto categories = effectCategories();
  ASSERT_EQ(categories.size(), 7u);
  const char* captions[] = {"Цветовые", "Световые", "Геометрические", "Базовые", "Составные", "Стилизация", "Природные"};
  const char* selectors[] = {"ColorModa", "SvetoModa", "GeomModa", "BasaModa", "CompModa", "StyleModa", "NaturModa"};
  const char* strips[] = {"ColorPR", "SvetaPR", "GeomPR", "BasaPR", "CompPR", "StylePR", "NaturPR"};
  const std::size_t sizes[] = {5, 5, 3, 5, 4, 7, 4};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(categories[i].caption, captions[i]);
    EXPECT_EQ(categories[i].selectorName, selectors[i]);
    EXPECT_EQ(categories[i].stripName, strips[i]);
    EXPECT_EQ(categories[i].items.size(), sizes[i]);
    ASSERT_EQ(categories[i].itemCaptions.size(), categories[i].items.size());
    for (std::size_t j = 0; j < sizes[i]; ++j) EXPECT_EQ(categories[i].itemCaptions[j], categories[i].items[j].caption);
  }
}

TEST(Catalogue, ThumbnailCountsAndPanels) {
  struct Row {
    int category, item, count;
    const char* panel;
  };
  const Row rows[] = {
      {0, 0, 14, ""}, {0, 1, 14, ""}, {0, 2, 14, ""}, {0, 3, 14, ""}, {0, 4, 14, ""},
      {1, 0, 18, ""}, {1, 1, 14, ""}, {1, 2, 14, ""}, {1, 3, 14, ""}, {1, 4, 14, ""},
      {2, 0, 16, ""}, {2, 1, 16, ""}, {2, 2, 16, ""},
      {3, 0, 12, ""}, {3, 1, 12, ""}, {3, 2, 8, ""}, {3, 3, 0, "BlurPana"}, {3, 4, 0, "NoisePana"},
      {4, 0, 0, "MosPanel"}, {4, 1, 0, "CubPanel"}, {4, 2, 12, ""}, {4, 3, 12, ""},
      {5, 0, 12, ""}, {5, 1, 12, ""}, {5, 2, 12, ""}, {5, 3, 0, "PenPan"}, {5, 4, 0, "FirePan"},
      {5, 5, 0, "ComixPanel"}, {5, 6, 0, "GlowSPanel"},
      {6, 0, 12, ""}, {6, 1, 12, ""}, {6, 2, 12, ""}, {6, 3, 12, ""},
  };
  for (const Row& r : rows) {
    const EffectItem& item = effectItem(r.category, r.item);
    EXPECT_EQ(item.thumbnailCount, r.count) << item.caption;
    EXPECT_EQ(item.panel, r.panel) << item.caption;
    EXPECT_EQ(item.showsPanel(), r.count == 0);
  }
}

TEST(Catalogue, SetupButtonAndPagePerEffect) {
  std::set<std::pair<int, int>> enabled;
  for (int c = 0; c < kCategoryCount; ++c) {
    for (int i = 0; i < static_cast<int>(effectCategory(c).items.size()); ++i) {
      if (effectItem(c, i).setupEnabled()) enabled.insert({c, i});
    }
  }
  const std::set<std::pair<int, int>> expected = {{0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {6, 0}, {6, 1}, {6, 2}};
  EXPECT_EQ(enabled, expected);
  EXPECT_EQ(setupPageFor(0, 2), SetupPage::Gradient);
  EXPECT_EQ(setupPageFor(1, 0), SetupPage::Night);
  EXPECT_EQ(setupPageFor(1, 1), SetupPage::Lights);
  EXPECT_EQ(setupPageFor(1, 2), SetupPage::Lights);  // one page serves both lights
  EXPECT_EQ(setupPageFor(1, 3), SetupPage::ColorLights);
  EXPECT_EQ(setupPageFor(1, 4), SetupPage::Spot);
  EXPECT_EQ(setupPageFor(6, 0), SetupPage::Stars);
  EXPECT_EQ(setupPageFor(6, 1), SetupPage::Atmos);
  EXPECT_EQ(setupPageFor(6, 2), SetupPage::Atmos);
  EXPECT_EQ(setupPageFor(6, 3), SetupPage::None);  // "Ночной эффект"
  EXPECT_EQ(setupPageFor(5, 2), SetupPage::None);  // reads DarkBrid, yet has no button
}

TEST(Catalogue, EveryColourEffectIsAvailable) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(effectItem(0, i).available());
    EXPECT_NE(effectItem(0, i).thumbnailRoutine, nullptr);
  }
  EXPECT_THROW(effectItem(7, 0), std::out_of_range);
  EXPECT_THROW(effectItem(2, 3), std::out_of_range);
}

TEST(Catalogue, MenuAndCatalogueButtons) {
  const auto menu = effectsMenuEntries();
  ASSERT_EQ(menu.size(), 10u);
  EXPECT_EQ(menu[0].caption, "Базовые");
  EXPECT_EQ(menu[0].category, 3);
  EXPECT_EQ(menu[3].category, -1);
  EXPECT_EQ(menu[9].caption, "Каталог эффектов");
  const auto buttons = catalogueButtons();
  ASSERT_EQ(buttons.size(), 8u);
  const int targets[] = {1, 0, 3, 2, 4, 5, 6, -1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buttons[i].category, targets[i]);
  EXPECT_EQ(buttons[2].caption, "Базовые");
  EXPECT_EQ(buttons[7].caption, "Монтаж");
}

TEST(FilterSetup, RangesAndInitialValues) {
  struct Row {
    const char* name;
    int minimum, maximum, initial;
    const char* page;
  };
  const Row rows[] = {{"SvetMode", 0, 4, 1, "Lights"},     {"SvetBrid", 1, 100, 30, "Lights"},
                      {"DarkBrid", 40, 100, 80, "Night"},   {"DarkAllBrid", 25, 100, 25, "Night"},
                      {"ColorBrid", -80, 80, 0, "ColorLights"}, {"ColorNat", 0, 1, 0, "ColorLights"},
                      {"GradientNat", 0, 1, 0, "Gradient"}, {"SpotDark", 40, 150, 110, "Spot"},
                      {"SpotBrid", 25, 100, 25, "Spot"},    {"StarsDark", 40, 150, 70, "Stars"},
                      {"StarsBrid", 25, 100, 25, "Stars"},  {"AtmDark", 0, 150, 0, "Atmos"}};
  const auto table = filterSetupControls();
  ASSERT_EQ(table.size(), std::size(rows));
  const FilterSetupValues initial;
  for (const Row& r : rows) {
    const auto* c = findControl(table, r.name);
    ASSERT_NE(c, nullptr) << r.name;
    EXPECT_EQ(c->minimum, r.minimum) << r.name;
    EXPECT_EQ(c->maximum, r.maximum) << r.name;
    EXPECT_EQ(c->initial, r.initial) << r.name;
    EXPECT_EQ(c->group, r.page) << r.name;
    EXPECT_EQ(controlValue(initial, *c), r.initial) << r.name;  // the struct starts as the table says
  }
  EXPECT_EQ(findControl(table, "SvetMode")->items[1], "Направленный свет");
  EXPECT_EQ(filterSetupPageCaptions()[3], "Gradient");
}

TEST(EffectsPanelControls, InitialValuesMatchTheStructAndRangesHold) {
  const EffectsPanel initial;
  for (const auto& c : effectsPanelControls()) {
    EXPECT_EQ(controlValue(initial, c), c.initial) << c.name;
    EXPECT_GE(c.initial, c.minimum) << c.name;
    EXPECT_LE(c.initial, c.maximum) << c.name;
  }
  const auto table = effectsPanelControls();
  EXPECT_EQ(findControl(table, "OpasBar")->maximum, 255);
  EXPECT_EQ(findControl(table, "NoiseLev")->maximum, 225);
  EXPECT_EQ(findControl(table, "CubPos")->initial, 200);
  EXPECT_EQ(findControl(table, "SGlowCont")->minimum, -200);
  EXPECT_EQ(findControl(table, "AreaBox")->items[6], "Границы с контуром");
  EXPECT_EQ(findControl(table, "StyleModa")->maximum, 6);
}

TEST(EffectsPanelControls, SettingValuesRespectsRangesAndRadioGroups) {
  EffectsPanel p;
  const auto table = effectsPanelControls();
  EXPECT_FALSE(setControlValue(p, table, *findControl(table, "OpasBar"), 256));
  EXPECT_TRUE(setControlValue(p, table, *findControl(table, "OpasBar"), 255));
  EXPECT_EQ(p.opasBar, 255);
  EXPECT_TRUE(setControlValue(p, table, *findControl(table, "NoiseC"), 1));
  EXPECT_FALSE(p.noiseW);
  EXPECT_TRUE(p.noiseC);
  EXPECT_TRUE(setControlValue(p, table, *findControl(table, "PenDText"), 1));
  EXPECT_TRUE(p.loadPTextEnabled());
  EXPECT_FALSE(p.zalColaEnabled());
  EXPECT_EQ(parseControlValue(*findControl(table, "PenCola"), "#FF8000"), 0xFF8000);
  EXPECT_EQ(parseControlValue(*findControl(table, "AreaBox"), "Центр"), 3);
  EXPECT_EQ(parseControlValue(*findControl(table, "SGlowCont"), "-17"), -17);
  EXPECT_EQ(parseControlValue(*findControl(table, "SGlowCont"), "x"), std::nullopt);
}

TEST(EffectsPanelControls, OpacityEnablingFollowsTheArea) {
  EffectsPanel p;
  EXPECT_TRUE(p.opasCheckEnabled());
  EXPECT_FALSE(p.opasBarEnabled());
  p.opasCheck = true;
  EXPECT_TRUE(p.opasBarEnabled());
  EXPECT_FALSE(p.opacityActive());  // OpasBar at 0
  p.opasBar = 10;
  EXPECT_TRUE(p.opacityActive());
  p.areaBox = 3;
  EXPECT_FALSE(p.opasCheckEnabled());
  EXPECT_FALSE(p.opasBarEnabled());
  EXPECT_FALSE(p.opacityActive());
}

}  // namespace
}  // namespace virmeya
