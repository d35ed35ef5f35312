// The Open page: what a user sees before any photo is open, and the way back to the other pages.
#include "ui/open_page.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/page_header.h"
#include "ui/thumbnail_strip.h"

namespace virmeya {

namespace {

QLabel* makeLink(const QString& text, const char* name, QWidget* parent) {
  auto* link = new QLabel(QStringLiteral("<a href=\"#\" style=\"color:#1f4f8f;\">%1</a>").arg(text.toHtmlEscaped()), parent);
  link->setObjectName(name);
  link->setTextFormat(Qt::RichText);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  link->setCursor(Qt::PointingHandCursor);
  link->setIndent(12);
  return link;
}

struct ModeButton {
  const char* name;
  const char* text;
  Page page;
};
constexpr ModeButton kModeButtons[] = {
    {"EditMain", "Редактировать", Page::Edit},
    {"EfaMain", "Эффекты", Page::Effects},
    {"MontaMain", "Монтаж фото", Page::Montage},
    {"DecorMain", "Оформление", Page::Decor},
};

}  // namespace

OpenPage::OpenPage(QWidget* parent) : QWidget(parent) {
  setObjectName("OpenPage");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addWidget(makePageHeader("Открыть фотографию  ", this));

  auto* openNew = makeLink("Открыть новый файл", "OpenNewLink", this);
  auto* help = makeLink("Справочная система", "HelpLink", this);
  auto* site = makeLink("Посетить сайт программы", "SiteLink", this);
  connect(openNew, &QLabel::linkActivated, this, &OpenPage::openNewFileRequested);
  connect(help, &QLabel::linkActivated, this, &OpenPage::helpRequested);
  connect(site, &QLabel::linkActivated, this, &OpenPage::siteRequested);
  layout->addWidget(openNew);
  layout->addWidget(help);
  layout->addWidget(site);
  layout->addSpacing(8);

  auto* recentLabel = new QLabel("Недавние файлы:", this);
  recentLabel->setObjectName("RecentLabel");
  layout->addWidget(recentLabel);
  recentPhoto_ = new ThumbnailStrip(this);
  recentPhoto_->setObjectName("RecentPhoto");
  recentPhoto_->setCellSize(QSize(90, 80));
  recentPhoto_->setSpacing(10, 10);
  recentPhoto_->setMinimumHeight(2 * (80 + 10) + 12);
  layout->addWidget(recentPhoto_, 1);
  connect(recentPhoto_, &ThumbnailStrip::selectionChanged, this, [this](int index) {
    if (index >= 0) emit recentSelected(index);
  });
  // A double click opens the thumbnail it selected.
  connect(recentPhoto_, &ThumbnailStrip::activated, this, &OpenPage::openSelectedRequested);

  openSelected_ = new QPushButton("Открыть выбранный файл", this);
  openSelected_->setObjectName("sButton5");
  openSelected_->setEnabled(false);
  connect(openSelected_, &QPushButton::clicked, this, &OpenPage::openSelectedRequested);
  layout->addWidget(openSelected_);
  layout->addSpacing(8);

  mainModa_ = new QFrame(this);
  mainModa_->setObjectName("MainModa");
  auto* modes = new QGridLayout(mainModa_);
  modes->setContentsMargins(0, 0, 0, 0);
  modes->setSpacing(6);
  modes->addWidget(makePageHeader("Режимы обработки", mainModa_), 0, 0, 1, 2);
  for (int i = 0; i < 4; ++i) {
    const ModeButton& m = kModeButtons[i];
    auto* button = new QPushButton(m.text, mainModa_);
    button->setObjectName(m.name);
    button->setFixedWidth(kModeButtonWidth);
    button->setMinimumHeight(30);
    const Page page = m.page;
    connect(button, &QPushButton::clicked, this, [this, page] { emit modeRequested(page); });
    modes->addWidget(button, 1 + i / 2, i % 2);
  }
  mainModa_->hide();
  layout->addWidget(mainModa_);
}

void OpenPage::setRecentFiles(const QStringList& files, int selected) {
  if (files != shownFiles_ || recentPhoto_->count() != files.size()) {
    QSignalBlocker block(recentPhoto_);
    recentPhoto_->clear();
    for (const QString& file : files) recentPhoto_->addFile(file);
    shownFiles_ = files;
  }
  {
    QSignalBlocker block(recentPhoto_);
    recentPhoto_->setSelectedIndex(selected);
  }
  openSelected_->setEnabled(recentPhoto_->count() > 0);
}

}  // namespace virmeya
