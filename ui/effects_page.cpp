// The Effects page: categories, thumbnails, Apply; for now the page holds its header.
#include "ui/effects_page.h"

namespace virmeya {

EffectsPage::EffectsPage(Studio&, QWidget* parent) : PlaceholderPage("EffectsPage", "Эффекты и фильтры", parent) {}

}  // namespace virmeya
