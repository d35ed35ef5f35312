// Macro commands of saving: the save command, quick export, the JPEG optimisation dialog, printing to
// PDF and the close question, each run as the window runs it with the dialogs' answers as arguments.
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <ostream>

#include "workspace/macro.h"
#include "workspace/saving.h"
#include "workspace/studio.h"

namespace virmeya {

namespace {

void throwUnlessSaved(const SaveOutcome& outcome) {
  if (outcome.status == SaveOutcome::Status::Failed) throw MacroError(outcome.message);
}

// smoothing= and optimize= set the file parameters' JPEG options of the save dialog.
void applyFileOptions(Saving& saving, const MacroArgs& a) {
  const JpegOptions& current = saving.fileParameters().jpeg;
  saving.setJpegFileOptions(a.intOption(QStringLiteral("smoothing"), current.smoothing, 0, 100),
                            a.intOption(QStringLiteral("optimize"), current.optimize ? 1 : 0, 0, 1) != 0);
}

// The save dialog confirmed with `path`: quality= is the answer of the quality dialog (the kept JComp
// when absent).
SaveOutcome runSave(MacroContext& c, const MacroArgs& a, const QString& path, int typeIndex) {
  Saving& saving = Saving::of(c.studio);
  applyFileOptions(saving, a);
  const int quality = a.intOption(QStringLiteral("quality"), saving.jpegQualityValue(), kJCompMin, kJCompMax);
  return saving.save(SaveDialogOutcome{c.resolve(path), typeIndex}, [quality](int) { return quality; });
}

int typeOption(const MacroArgs& a) {
  if (!a.hasOption(QStringLiteral("type"))) return 0;
  const int type = saveTypeForWord(a.option(QStringLiteral("type")));
  if (type == 0) throw MacroError(QStringLiteral("type: неизвестный тип файла «%1»").arg(a.option(QStringLiteral("type"))));
  return type;
}

// save PATH [type=T] [quality=N] [smoothing=N] [optimize=0|1]. The type in the dialog is type=, else
// the one matching the typed extension, else the one kept from the last save.
void saveCommand(MacroContext& c, const MacroArgs& a) {
  const QString path = a.words.at(0);
  int type = typeOption(a);
  if (type == 0) type = saveTypeForWord(QFileInfo(path).suffix());
  if (type == 0) type = Saving::of(c.studio).saveType();
  throwUnlessSaved(runSave(c, a, path, type));
}

// export bmp|jpeg|png|gif|tiff PATH [quality=N ...]: "Быстрый экспорт" with that item.
void exportCommand(MacroContext& c, const MacroArgs& a) {
  const QString word = a.words.at(0).toLower();
  for (std::size_t i = 0; i < kQuickExportItems.size(); ++i) {
    if (word == QLatin1String(kQuickExportItems[i].word)) {
      Saving& saving = Saving::of(c.studio);
      saving.preselectQuickExport(static_cast<int>(i));
      throwUnlessSaved(runSave(c, a, a.words.at(1), saving.saveType()));
      return;
    }
  }
  throw MacroError(QStringLiteral("export: ожидается bmp, jpeg, png, gif или tiff, а не «%1»").arg(a.words.at(0)));
}

// quality=, smoothing=, optimize= move Compress, Smooth and Optimal of the optimisation dialog.
void applyOptimizeControls(Saving& saving, const MacroArgs& a) {
  JpegOptimizeValues& v = saving.jpegOptimizeValues();
  v.compress = a.intOption(QStringLiteral("quality"), v.compress, kCompressControl.min, kCompressControl.max);
  v.smooth = a.intOption(QStringLiteral("smoothing"), v.smooth, kSmoothControl.min, kSmoothControl.max);
  v.optimal = a.intOption(QStringLiteral("optimize"), v.optimal ? 1 : 0, 0, 1) != 0;
}

void jpegOptimizeCommand(MacroContext& c, const MacroArgs& a) {
  Saving& saving = Saving::of(c.studio);
  applyOptimizeControls(saving, a);
  throwUnlessSaved(saving.saveOptimizedJpeg(c.resolve(a.words.at(0))));
}

void jpegEstimateCommand(MacroContext& c, const MacroArgs& a) {
  Saving& saving = Saving::of(c.studio);
  applyOptimizeControls(saving, a);
  const JpegEstimate estimate = saving.estimateJpeg();
  if (estimate.text.isEmpty()) throw MacroError(estimate.tempMessage);
  if (!estimate.tempMessage.isEmpty()) c.err << estimate.tempMessage.toStdString() << '\n';
  c.out << estimate.text.toStdString() << '\n';
}

void printPdfCommand(MacroContext& c, const MacroArgs& a) {
  throwUnlessSaved(Saving::of(c.studio).printToPdf(c.resolve(a.words.at(0))));
}

// close answer=yes|no|cancel [save=PATH]: Yes runs the save command, whose dialog is confirmed with
// save= or cancelled without it. Prints {"asked": …, "closes": …}.
void closeCommand(MacroContext& c, const MacroArgs& a) {
  const QString word = a.option(QStringLiteral("answer")).toLower();
  CloseAnswer answer;
  if (word == QLatin1String("yes")) {
    answer = CloseAnswer::Yes;
  } else if (word == QLatin1String("no")) {
    answer = CloseAnswer::No;
  } else if (word == QLatin1String("cancel")) {
    answer = CloseAnswer::Cancel;
  } else {
    throw MacroError(QStringLiteral("close: ожидается answer=yes, answer=no или answer=cancel"));
  }
  Saving& saving = Saving::of(c.studio);
  bool asked = false;
  QString failure;
  const bool closes = saving.closeQuery(
      [&] {
        asked = true;
        return answer;
      },
      [&] {
        const QString path = a.option(QStringLiteral("save"));
        const SaveOutcome outcome = path.isEmpty() ? SaveOutcome{} : runSave(c, a, path, saving.saveType());
        failure = outcome.message;
        return outcome;
      });
  if (!failure.isEmpty()) c.err << failure.toStdString() << '\n';
  const QJsonObject report{{QStringLiteral("asked"), asked}, {QStringLiteral("closes"), closes}};
  c.out << QJsonDocument(report).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

const std::vector<MacroCommand> kSavingCommands = {
    {"save", "PATH [type=T] [quality=N] [smoothing=N] [optimize=0|1]",
     "«Сохранить фото»: диалог сохранения с этим именем; quality — ответ окна «Настройка качества JPEG»", 1, 1,
     saveCommand, "type quality smoothing optimize"},
    {"export", "bmp|jpeg|png|gif|tiff PATH [quality=N] [smoothing=N] [optimize=0|1]",
     "«Быстрый экспорт» с этим пунктом", 2, 2, exportCommand, "quality smoothing optimize"},
    {"jpeg-optimize", "PATH [quality=N] [smoothing=N] [optimize=0|1]", "«JPEG - оптимизация» > «Сохранить»", 1, 1,
     jpegOptimizeCommand, "quality smoothing optimize"},
    {"jpeg-estimate", "[quality=N] [smoothing=N] [optimize=0|1]",
     "«JPEG - оптимизация» > «Просмотр»: напечатать размер JPEG", 0, 0, jpegEstimateCommand,
     "quality smoothing optimize"},
    {"print-pdf", "PATH", "«Печать изображения» в файл PDF", 1, 1, printPdfCommand},
    {"close", "answer=yes|no|cancel [save=PATH]", "закрыть окно: вопрос «Сохранить изображение?» с этим ответом", 0,
     0, closeCommand, "answer save quality smoothing optimize"},
};

}  // namespace

const std::vector<MacroCommand>& savingMacroCommands() { return kSavingCommands; }

void addSavingState(const Studio& studio, QJsonObject& state) {
  const Saving* saving = studio.findChild<Saving*>(QString(), Qt::FindDirectChildrenOnly);
  const int type = saving ? saving->saveType() : kStartSaveType;
  state.insert(QStringLiteral("save_type"), type);
  state.insert(QStringLiteral("save_type_name"), QString::fromLatin1(saveFileType(type).name));
  state.insert(QStringLiteral("jpeg_quality"), saving ? saving->jpegQualityValue() : kJCompStart);
}

}  // namespace virmeya
