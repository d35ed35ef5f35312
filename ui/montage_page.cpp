// The Montage page: overlay montage and collages; for now the page holds its header.
#include "ui/montage_page.h"

namespace virmeya {

MontagePage::MontagePage(Studio&, QWidget* parent) : PlaceholderPage("MontagePage", "Монтаж фото", parent) {}

}  // namespace virmeya
