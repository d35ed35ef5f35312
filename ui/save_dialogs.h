// The save dialogs and the window's saving commands: the picture-save dialog with its type list and
// overwrite question, the JPEG save box of the optimisation dialog, "Настройка качества JPEG", and
// the glue that binds "Сохранить фото", "Быстрый экспорт", "JPEG - оптимизация", "Печать изображения",
// "Копировать" and the close question to the saving model.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QObject>

#include <functional>

#include "workspace/saving.h"

class QSpinBox;

namespace virmeya {

class JpegOptimizeDialog;
class MainWindow;

// "Файл «…» уже существует. Заменить его?" — true when the user agrees.
bool askOverwrite(QWidget* parent, const QString& fileName);

// A save dialog that works out the name that will really be written (the chosen type's extension
// supplied, or ".jpg" appended) and asks before that name replaces an existing file.
class PictureSaveDialog : public QFileDialog {
  Q_OBJECT

 public:
  using FinalName = std::function<QString(const QString& typed, const QString& filter)>;
  PictureSaveDialog(QWidget* parent, const QString& caption, const QStringList& filters,
                    const QString& selectedFilter, FinalName finalName);

  // The name that will be written for what is typed now.
  QString finalName() const;
  // Replaceable so that tests answer the overwrite question without a modal box.
  void setOverwriteQuestion(std::function<bool(const QString&)> ask) { askOverwrite_ = std::move(ask); }

  // `Sava`: the writable types, `typeIndex` chosen.
  static PictureSaveDialog* makePictureDialog(QWidget* parent, int typeIndex);
  // `SaveJPEG`: the single filter "JPEG Image File (*.jpg)".
  static PictureSaveDialog* makeJpegDialog(QWidget* parent);

 public slots:
  void accept() override;

 private:
  FinalName finalName_;
  std::function<bool(const QString&)> askOverwrite_;
};

// Runs `Sava` modally: an empty name when cancelled.
SaveDialogOutcome runPictureSaveDialog(QWidget* parent, int typeIndex);
// Runs `SaveJPEG` modally: the name as typed, empty when cancelled.
QString runJpegSaveDialog(QWidget* parent);

// `TJpegSimple`, "Настройка качества JPEG": spin edit JComp and one button "Сохранить".
class JpegQualityDialog : public QDialog {
  Q_OBJECT

 public:
  explicit JpegQualityDialog(QWidget* parent = nullptr);
  QSpinBox* jComp() const { return jComp_; }
  // Shows the dialog at `current` and returns JComp after it closes, however it was closed.
  int ask(int current);

 private:
  QSpinBox* jComp_ = nullptr;
};

// The window's saving commands. The dialogs are hooks, so tests replace them.
class SavingActions : public QObject {
  Q_OBJECT

 public:
  SavingActions(MainWindow& window, Studio& studio);

  Saving& saving() { return saving_; }

  std::function<SaveDialogOutcome(int typeIndex)> saveDialog;
  QualityDialog qualityDialog;
  std::function<CloseAnswer()> closeQuestion;
  std::function<void(const QString&)> errorMessage;
  std::function<void()> optimizeDialog;
  std::function<void()> printDialog;

  // "Сохранить фото" (also the toolbar's "Сохранить" and the close question's "Да").
  SaveOutcome saveCommand();
  // The five items of "Быстрый экспорт", in kQuickExportItems order.
  SaveOutcome quickExport(int item);
  void copyToClipboard();
  // The close question: true when the window may close.
  bool closeQuery();

  JpegQualityDialog* qualityDialogWindow() const { return quality_; }
  JpegOptimizeDialog* optimizeDialogWindow() const { return optimize_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainWindow& window_;
  Studio& studio_;
  Saving& saving_;
  JpegQualityDialog* quality_ = nullptr;
  JpegOptimizeDialog* optimize_ = nullptr;
};

// Binds the saving commands of `window` and its close question; made once per window.
SavingActions* installSavingActions(MainWindow& window);

}  // namespace virmeya
