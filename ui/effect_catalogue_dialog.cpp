// The effect catalogue: its sample pictures come from the content root ("Catalogue/<n>.jpg").
#include "ui/effect_catalogue_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "workspace/effects_tool.h"

namespace virmeya {

EffectCatalogueDialog::EffectCatalogueDialog(EffectsTool& tool, QWidget* parent) : QDialog(parent), tool_(tool) {
  setObjectName(QStringLiteral("BrowseEffect"));
  setWindowTitle(QStringLiteral("Каталог эффектов"));
  setModal(true);
  setFixedSize(kWidth, kHeight);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setSpacing(6);
  const auto buttons = catalogueButtons();
  const ContentRoot root = tool_.content();
  for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
    const CatalogueButton& b = buttons[static_cast<std::size_t>(i)];
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("CatalogueButton%1").arg(i));
    button->setText(QString::fromUtf8(b.caption.data(), static_cast<qsizetype>(b.caption.size())));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    const QString picture = QString::fromStdString((root.dir / "Catalogue" / (std::to_string(i) + ".jpg")).string());
    QPixmap pixmap(picture);
    if (!pixmap.isNull()) {
      pixmap = pixmap.scaledToWidth(kPictureWidth, Qt::SmoothTransformation);
      button->setIcon(QIcon(pixmap));
      button->setIconSize(pixmap.size());
    }
    const int category = b.category;
    connect(button, &QToolButton::clicked, this, [this, category] {
      accept();
      if (category < 0) {
        tool_.openMontage();
      } else {
        tool_.openCategory(category);
      }
    });
    grid->addWidget(button, i / 4, i % 4);
  }
  layout->addLayout(grid);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  close->setObjectName(QStringLiteral("CatalogueClose"));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  bottom->addWidget(close);
  layout->addLayout(bottom);
}

QToolButton* EffectCatalogueDialog::button(int index) const {
  return findChild<QToolButton*>(QStringLiteral("CatalogueButton%1").arg(index));
}

}  // namespace virmeya
