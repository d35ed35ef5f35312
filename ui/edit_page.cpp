// The Edit page: brightness, hue, balance, rotation and cropping; for now the page holds its header.
#include "ui/edit_page.h"

namespace virmeya {

EditPage::EditPage(Studio&, QWidget* parent) : PlaceholderPage("EditPage", "Редактирование фото", parent) {}

}  // namespace virmeya
