// The header bar shared by the side-panel pages.
#include "ui/page_header.h"

namespace virmeya {

QLabel* makePageHeader(const QString& text, QWidget* parent) {
  auto* header = new QLabel(text, parent);
  header->setMinimumHeight(28);
  header->setIndent(8);
  QFont font = header->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.15);
  header->setFont(font);
  header->setStyleSheet(
      "QLabel { color: white; border-radius: 3px;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5b83b8, stop:1 #36608f); }");
  return header;
}

}  // namespace virmeya
