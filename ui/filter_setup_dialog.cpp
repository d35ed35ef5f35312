// The effect settings dialog, built from the settings' control table.
#include "ui/filter_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "workspace/effects_tool.h"

namespace virmeya {

namespace {
QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

FilterSetupDialog::FilterSetupDialog(EffectsTool& tool, QWidget* parent) : QDialog(parent), tool_(tool) {
  setObjectName(QStringLiteral("FilterSetup"));
  setWindowTitle(QStringLiteral("Настройки эффекта"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->tabBar()->hide();  // one page at a time, chosen by the effect
  const auto captions = filterSetupPageCaptions();
  for (std::string_view caption : captions) {
    auto* page = new QWidget(pages_);
    page->setObjectName(text(caption));
    auto* grid = new QGridLayout(page);
    int row = 0;
    for (const Control<FilterSetupValues>& c : filterSetupControls()) {
      if (c.group != caption) continue;
      const QString name = text(c.name);
      QWidget* widget = nullptr;
      if (c.kind == ControlKind::Check) {
        auto* b = new QCheckBox(text(c.label), page);
        connect(b, &QCheckBox::toggled, this, [this, name](bool on) {
          if (!syncing_) tool_.setControl(name, on ? 1 : 0);
        });
        grid->addWidget(b, row, 0, 1, 3);
        widget = b;
      } else if (c.kind == ControlKind::Choice) {
        grid->addWidget(new QLabel(text(c.label), page), row, 0);
        auto* combo = new QComboBox(page);
        for (std::string_view item : c.items) combo->addItem(text(item));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, name](int i) {
          if (!syncing_) tool_.setControl(name, i);
        });
        grid->addWidget(combo, row, 1, 1, 2);
        widget = combo;
      } else {
        grid->addWidget(new QLabel(text(c.label), page), row, 0);
        auto* s = new QSlider(Qt::Horizontal, page);
        s->setRange(c.minimum, c.maximum);
        auto* value = new QLabel(page);
        value->setMinimumWidth(30);
        connect(s, &QSlider::valueChanged, value, [value](int v) { value->setNum(v); });
        connect(s, &QSlider::valueChanged, this, [this, name](int v) {
          if (!syncing_) tool_.setControl(name, v);
        });
        grid->addWidget(s, row, 1);
        grid->addWidget(value, row, 2);
        widget = s;
      }
      widget->setObjectName(name);
      controls_[name] = widget;
      ++row;
    }
    grid->setRowStretch(row, 1);
    pages_->addTab(page, text(caption));
  }
  layout->addWidget(pages_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("SetupOk"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  cancel->setObjectName(QStringLiteral("SetupCancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(&tool_, &EffectsTool::stateChanged, this, [this] { syncFromModel(); });
  setFixedSize(380, 180);
  syncFromModel();
}

void FilterSetupDialog::showPage(int index) {
  syncFromModel();
  pages_->setCurrentIndex(std::clamp(index, 0, pages_->count() - 1));
}

int FilterSetupDialog::currentPage() const { return pages_->currentIndex(); }

QWidget* FilterSetupDialog::control(const QString& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

void FilterSetupDialog::syncFromModel() {
  syncing_ = true;
  for (const Control<FilterSetupValues>& c : filterSetupControls()) {
    QWidget* w = controls_[text(c.name)];
    const int v = controlValue(tool_.setup(), c);
    if (auto* s = qobject_cast<QSlider*>(w)) s->setValue(v);
    if (auto* b = qobject_cast<QCheckBox*>(w)) b->setChecked(v != 0);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(v);
  }
  syncing_ = false;
}

}  // namespace virmeya
