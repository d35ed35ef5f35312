// The Effects page without widgets: the page's and the settings dialog's controls, the category and
// effect handlers with their CommittedImage rule, Apply with its history step, the settings dialog's
// page choice, the Effects menu entries and the effect catalogue's buttons. The window shows the
// controls and the strips; the macros and the tests drive the same object.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <vector>

#include "algorithms/progress.h"
#include "effects/apply.h"

namespace virmeya {

class Studio;
struct MacroCommand;

class EffectsTool : public QObject {
  Q_OBJECT

 public:
  explicit EffectsTool(Studio& studio);
  ~EffectsTool() override;
  // The one tool of a studio (made on first use, a child of the studio).
  static EffectsTool& of(Studio& studio);

  Studio& studio() { return studio_; }
  const EffectsPanel& panel() const { return panel_; }
  const FilterSetupValues& setup() const { return setup_; }
  FilterSetupValues& setupValues() { return setup_; }  // the dialog's controls change them directly
  ContentRoot content() const;
  Progress& progress() { return progress_; }

  // ---- the current choice
  int category() const { return panel_.megaTabs; }
  int item() const { return panel_.selectorIndex(panel_.megaTabs); }
  const EffectItem& currentItem() const { return effectItem(category(), item()); }
  // The selected thumbnail of a category's strip (the variant a).
  int stripSelection(int category) const;
  void selectThumbnail(int index);  // a click on a thumbnail of the active strip
  EffectChoice choice() const { return EffectChoice{category(), item(), stripSelection(category())}; }
  // ButSetup is enabled only where the settings dialog has a page for the effect.
  bool setupEnabled() const { return currentItem().setupEnabled(); }
  // The page ButSetupClick shows (0 when the button is disabled).
  int setupPage() const;
  // The panel shown over the active strip, empty when the strip is shown.
  QString visiblePanel() const;

  // ---- handlers of the page
  // MegaTabsChange: CommittedImage := layer 0, then FillCategoryPreviews.
  void selectCategory(int category);
  // The selector handlers (ColorModaChange …): the strip is refilled or the panel shown, ButSetup
  // set, and CommittedImage := layer 0.
  void selectEffect(int item);
  // FillCategoryPreviews: nothing without a photo (current picture narrower than 6 pixels).
  void fillCategoryPreviews();
  // AreaBoxChange, OpasCheckClick and the OpasBar.
  void setAreaBox(int index);
  void setOpasCheck(bool checked);
  void setOpasBar(int position);
  // Any control of the page or of the settings dialog by its name, as the user would set it; false
  // when the name or the value is not accepted. Selectors and tabs run their handlers.
  bool setControl(const QString& name, int value);
  // The control's value by name (the page's first, then the dialog's); false when unknown.
  bool controlValue(const QString& name, int* value) const;

  // OkFilterClick: Apply with the history step "Отменить применение эффекта". When the effect cannot
  // run (not built yet, a missing mask or overlay) nothing changes and the message says why.
  ApplyOutcome apply();
  // Apply in two halves, for a window that computes off its thread: render() only reads the
  // committed photo and the settings (nothing may change them meanwhile) and may run on a worker;
  // finishApply() then records the history step and shows the result (or reports the failure).
  ApplyOutcome render(Bitmap& result);
  ApplyOutcome finishApply(ApplyOutcome outcome, Bitmap& result);
  // "Отмена": the one-step Undo.
  void cancel();
  // The settings dialog closed: with OK Apply runs again; otherwise the values stay as changed.
  ApplyOutcome setupClosed(bool accepted);

  // ---- ways into the page
  // An Effects menu entry or a category button of the catalogue: the Effects page (pending layers of
  // other pages dropped), the tab, CommittedImage := layer 0, FillCategoryPreviews once.
  void openCategory(int category);
  // The catalogue's "Монтаж": the Montage page, no thumbnails.
  void openMontage();

 signals:
  // The page fills the strip of (category, item) from the photo: thumbnails 0 … N − 1.
  void stripRequested(int category, int item);
  void stateChanged();  // a control, the tab, a selector, the panel or ButSetup changed
  void applyFailed(const QString& message);

 private:
  void selectorChanged();
  bool hasPhoto() const;

  Studio& studio_;
  EffectsPanel panel_;
  FilterSetupValues setup_;
  std::array<int, kCategoryCount> strips_;  // each strip's selected thumbnail; −1: the last one
  ApplyBuffers buffers_;
  Progress progress_;
};

// The macro commands of the Effects page: effect, set, setup, catalogue.
const std::vector<MacroCommand>& effectsMacroCommands();

}  // namespace virmeya
