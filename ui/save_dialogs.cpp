// The save dialogs, "Настройка качества JPEG", and the window's saving commands.
#include "ui/save_dialogs.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/jpeg_optimize_dialog.h"
#include "ui/main_window.h"
#include "ui/printing.h"
#include "workspace/studio.h"

namespace virmeya {

namespace {

constexpr const char* kSaveCaption = "Сохранить фото";
constexpr const char* kJpegSaveCaption = "Сохранить JPEG";
constexpr const char* kJpegFilter = "JPEG Image File (*.jpg)";
constexpr const char* kWindowTitle = "Вирмея";

// Menu items of "Быстрый экспорт", in kQuickExportItems order.
constexpr std::array<const char*, kQuickExportItems.size()> kQuickExportCommands{"BMP1", "JPEG2", "PNG1", "GIF1",
                                                                                 "IFF1"};

// Message boxes speak Russian whatever translations the platform has.
void nameButtons(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, const char*> names[] = {
      {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Cancel, "Отмена"}};
  for (const auto& [button, text] : names) {
    if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(text));
  }
}

}  // namespace

bool askOverwrite(QWidget* parent, const QString& fileName) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kWindowTitle),
                  QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(QDir::toNativeSeparators(fileName)),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("OverwriteQuestion"));
  nameButtons(box);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

// ---- the save dialogs

PictureSaveDialog::PictureSaveDialog(QWidget* parent, const QString& caption, const QStringList& filters,
                                     const QString& selectedFilter, FinalName finalName)
    : QFileDialog(parent, caption), finalName_(std::move(finalName)) {
  // Our own dialog, so that the name written (with its supplied extension) is the one checked for
  // overwriting; the platform's dialog would check the name as typed.
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::DontConfirmOverwrite);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setNameFilters(filters);
  selectNameFilter(selectedFilter);
  setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
  setLabelText(QFileDialog::FileName, QStringLiteral("Имя файла:"));
  setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
  setLabelText(QFileDialog::Accept, QStringLiteral("Сохранить"));
  setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
  askOverwrite_ = [this](const QString& name) { return askOverwrite(this, name); };
}

QString PictureSaveDialog::finalName() const {
  const QStringList files = selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return {};
  return finalName_ ? finalName_(files.first(), selectedNameFilter()) : files.first();
}

void PictureSaveDialog::accept() {
  // A folder typed as the name is opened by the dialog, not written: nothing to ask then.
  const QStringList files = selectedFiles();
  if (!files.isEmpty() && !files.first().isEmpty() && !QFileInfo(files.first()).isDir()) {
    const QString name = finalName();
    if (QFileInfo::exists(name) && !askOverwrite_(name)) return;
  }
  QFileDialog::accept();
}

PictureSaveDialog* PictureSaveDialog::makePictureDialog(QWidget* parent, int typeIndex) {
  auto* dialog = new PictureSaveDialog(parent, QString::fromUtf8(kSaveCaption), saveTypeFilters(),
                                       saveTypeFilter(typeIndex), [](const QString& typed, const QString& filter) {
                                         const int type = saveTypeForFilter(filter);
                                         return nameWithTypeExtension(typed, type ? type : kStartSaveType);
                                       });
  dialog->setObjectName(QStringLiteral("Sava"));
  return dialog;
}

PictureSaveDialog* PictureSaveDialog::makeJpegDialog(QWidget* parent) {
  auto* dialog = new PictureSaveDialog(parent, QString::fromUtf8(kJpegSaveCaption),
                                       QStringList{QString::fromUtf8(kJpegFilter)}, QString::fromUtf8(kJpegFilter),
                                       [](const QString& typed, const QString&) { return nameWithJpegSuffix(typed); });
  dialog->setObjectName(QStringLiteral("SaveJPEG"));
  return dialog;
}

SaveDialogOutcome runPictureSaveDialog(QWidget* parent, int typeIndex) {
  std::unique_ptr<PictureSaveDialog> dialog(PictureSaveDialog::makePictureDialog(parent, typeIndex));
  SaveDialogOutcome outcome;
  outcome.typeIndex = typeIndex;
  if (dialog->exec() != QDialog::Accepted) return outcome;
  const int type = saveTypeForFilter(dialog->selectedNameFilter());
  if (type != 0) outcome.typeIndex = type;
  outcome.fileName = dialog->finalName();
  return outcome;
}

QString runJpegSaveDialog(QWidget* parent) {
  std::unique_ptr<PictureSaveDialog> dialog(PictureSaveDialog::makeJpegDialog(parent));
  if (dialog->exec() != QDialog::Accepted) return {};
  const QStringList files = dialog->selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

// ---- "Настройка качества JPEG"

JpegQualityDialog::JpegQualityDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TJpegSimple"));
  setWindowTitle(QStringLiteral("Настройка качества JPEG"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Качество изображения"), this);
  jComp_ = new QSpinBox(this);
  jComp_->setObjectName(QStringLiteral("JComp"));
  jComp_->setRange(kJCompMin, kJCompMax);
  jComp_->setValue(kJCompStart);
  label->setBuddy(jComp_);
  row->addWidget(label);
  row->addWidget(jComp_);
  layout->addLayout(row);
  auto* save = new QPushButton(QStringLiteral("Сохранить"), this);
  save->setObjectName(QStringLiteral("SaveButton"));
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(save, 0, Qt::AlignCenter);
  setFixedSize(sizeHint());
}

int JpegQualityDialog::ask(int current) {
  jComp_->setValue(current);
  exec();
  jComp_->interpretText();  // a value typed but not yet confirmed counts too
  return jComp_->value();
}

// ---- the window's commands

SavingActions::SavingActions(MainWindow& window, Studio& studio)
    : QObject(&window), window_(window), studio_(studio), saving_(Saving::of(studio)) {
  setObjectName(QStringLiteral("SavingActions"));
  // Created once, as every dialog of the window; they keep their control values while the program runs.
  quality_ = new JpegQualityDialog(&window);
  optimize_ = new JpegOptimizeDialog(saving_, &window);

  saveDialog = [this](int type) { return runPictureSaveDialog(&window_, type); };
  qualityDialog = [this](int current) { return quality_->ask(current); };
  closeQuestion = [this] {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kWindowTitle), QString::fromUtf8(kCloseQuestion),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &window_);
    box.setObjectName(QStringLiteral("CloseQuestion"));
    nameButtons(box);
    switch (box.exec()) {
      case QMessageBox::Yes: return CloseAnswer::Yes;
      case QMessageBox::No: return CloseAnswer::No;
      default: return CloseAnswer::Cancel;
    }
  };
  errorMessage = [this](const QString& text) {
    QMessageBox::warning(&window_, QString::fromUtf8(kWindowTitle), text);
  };
  optimizeDialog = [this] { optimize_->exec(); };
  printDialog = [this] { showPrintPreview(&window_, studio_.image().current().bitmap); };
}

SaveOutcome SavingActions::saveCommand() {
  const SaveOutcome outcome = saving_.save(saveDialog(saving_.saveType()), qualityDialog);
  if (outcome.status == SaveOutcome::Status::Failed) errorMessage(outcome.message);
  window_.refresh();
  return outcome;
}

SaveOutcome SavingActions::quickExport(int item) {
  saving_.preselectQuickExport(item);
  return saveCommand();
}

void SavingActions::copyToClipboard() {
  QGuiApplication::clipboard()->setMimeData(clipboardData(studio_.image().current().bitmap));
}

bool SavingActions::closeQuery() {
  return saving_.closeQuery(closeQuestion, [this] { return saveCommand(); });
}

bool SavingActions::eventFilter(QObject* watched, QEvent* event) {
  // The close question runs before the window's own close handling (which writes the settings).
  if (watched == &window_ && event->type() == QEvent::Close && !closeQuery()) {
    event->ignore();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

SavingActions* installSavingActions(MainWindow& window) {
  if (auto* existing = window.findChild<SavingActions*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
  auto* actions = new SavingActions(window, window.studio());
  window.bindCommand(QStringLiteral("N10"), [actions] { actions->saveCommand(); });
  for (std::size_t i = 0; i < kQuickExportCommands.size(); ++i) {
    window.bindCommand(QString::fromLatin1(kQuickExportCommands[i]),
                       [actions, i] { actions->quickExport(static_cast<int>(i)); });
  }
  window.bindCommand(QStringLiteral("JPEG1"), [actions] { actions->optimizeDialog(); });
  window.bindCommand(QStringLiteral("N14"), [actions] { actions->printDialog(); });
  window.bindCommand(QStringLiteral("N21"), [actions] { actions->copyToClipboard(); });
  window.installEventFilter(actions);
  return actions;
}

}  // namespace virmeya
