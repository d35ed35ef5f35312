// "Настройки эффекта": the extra settings of the overlay effects on seven pages, one shown at a time
// without tabs. Its controls change the values at once; OK applies the effect again.
#pragma once

#include <QDialog>

#include <map>

class QTabWidget;

namespace virmeya {

class EffectsTool;

class FilterSetupDialog : public QDialog {
  Q_OBJECT

 public:
  FilterSetupDialog(EffectsTool& tool, QWidget* parent = nullptr);

  // Shows page `index` (0 "Lights" … 6 "Atmos") alone.
  void showPage(int index);
  int currentPage() const;
  QWidget* control(const QString& name) const;

 private:
  void syncFromModel();

  EffectsTool& tool_;
  QTabWidget* pages_ = nullptr;
  std::map<QString, QWidget*> controls_;
  bool syncing_ = false;
};

}  // namespace virmeya
