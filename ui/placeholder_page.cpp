// A side-panel page holding only its header.
#include "ui/placeholder_page.h"

#include <QVBoxLayout>

#include "ui/page_header.h"

namespace virmeya {

PlaceholderPage::PlaceholderPage(const QString& objectName, const QString& header, QWidget* parent) : QWidget(parent) {
  setObjectName(objectName);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(makePageHeader(header, this));
  layout->addStretch(1);
}

}  // namespace virmeya
