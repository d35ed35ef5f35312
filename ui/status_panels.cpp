// StatusPanels: fixed-width panels laid out by hand; the last one takes what is left, as a status bar's
// last panel does.
#include "ui/status_panels.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace virmeya {

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) {
  setObjectName("Stata");
  setSizeGripEnabled(false);
  setFixedHeight(24);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("StataPanel%1").arg(i));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setIndent(4);
    panels_[i] = label;
  }
  wait_ = new QProgressBar(this);
  wait_->setObjectName("WAIT");
  wait_->setRange(0, 100);
  wait_->setValue(0);
  wait_->setTextVisible(false);
  wait_->hide();
  layoutPanels();
}

void StatusPanels::setPanelText(int index, const QString& text) {
  QLabel* label = panel(index);
  label->setText(text);
  label->setToolTip(index == 0 ? text : QString());
  if (index == 2) layoutPanels();
}

void StatusPanels::setProgress(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent >= 100) {
    wait_->setValue(0);
    wait_->hide();
    return;
  }
  wait_->setValue(percent);
  wait_->raise();
  wait_->show();
}

void StatusPanels::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  layoutPanels();
}

void StatusPanels::layoutPanels() {
  // The zoom panel always shows its whole text; in a narrow window the hint panel gives way.
  const int zoomWidth = std::max(kPanelWidths[2], panels_[2]->fontMetrics().horizontalAdvance(panels_[2]->text()) + 16);
  const int hintWidth = std::clamp(width() - kPanelWidths[1] - zoomWidth, 100, kPanelWidths[0]);
  const int widths[] = {hintWidth, kPanelWidths[1], std::max(zoomWidth, width() - hintWidth - kPanelWidths[1])};
  const int h = height();
  int x = 0;
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    panels_[i]->setGeometry(x, 1, widths[i] - 2, h - 2);
    x += widths[i];
  }
  wait_->setGeometry(rect());
}

}  // namespace virmeya
