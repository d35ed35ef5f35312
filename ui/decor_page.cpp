// The Decor page: frames, masks, borders, decorations and captions; for now the page holds its header.
#include "ui/decor_page.h"

namespace virmeya {

DecorPage::DecorPage(Studio&, QWidget* parent) : PlaceholderPage("DecorPage", "Оформление", parent) {}

}  // namespace virmeya
