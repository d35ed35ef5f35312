// virmeya-cli run: executes a macro script against the studio model the window uses.
#include <QFile>
#include <QFileInfo>

#include <iostream>

#include "cli/command.h"
#include "workspace/macro.h"
#include "workspace/paths.h"
#include "workspace/studio.h"
#include "workspace/text_file.h"

namespace virmeya::cli {
namespace {

int runScript(const std::vector<std::string>& args) {
  QString script, content, config;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--content" || a == "--config-dir") {
      if (i + 1 >= args.size()) return fail(kUsage, a + ": не указана папка");
      (a == "--content" ? content : config) = QString::fromStdString(args[++i]);
    } else if (a.starts_with("--")) {
      return fail(kUsage, "неизвестный параметр «" + a + "»");
    } else if (script.isEmpty()) {
      script = QString::fromStdString(a);
    } else {
      return fail(kUsage, "лишний аргумент «" + a + "»");
    }
  }
  if (script.isEmpty()) return fail(kUsage, "не указан файл сценария");
  QFile file(script);
  if (!file.open(QIODevice::ReadOnly)) {
    return fail(kCannotRead, "не удалось прочитать сценарий «" + script.toStdString() + "»");
  }
  const QString text = decodeLegacyText(file.readAll());

  // The same start and close as the window: the recent list is read first and written at the end.
  Studio studio;
  studio.setConfigDir(configDir(config));
  studio.setContentRoot(contentRoot(content));
  studio.readRecentList();
  studio.showOpenPage();  // the window's first activation fills the recent strip

  MacroInterpreter interpreter(studio, std::cout, std::cerr, QFileInfo(script).absolutePath());
  const std::optional<MacroFailure> failure = interpreter.runScript(text);
  std::cout.flush();
  const SaveResult saved = studio.writeRecentList();
  if (failure) {
    return fail(kScriptFailed, script.toStdString() + ", строка " + std::to_string(failure->line) + ": " +
                                   failure->message.toStdString());
  }
  if (!saved.ok) return fail(kCannotWrite, "не удалось записать список недавних файлов: " + saved.message.toStdString());
  return kOk;
}

const CommandRegistration kRun{Command{
    "run", "SCRIPT [--content DIR] [--config-dir DIR]",
    "выполнить сценарий команд студии (open, open-recent, page, undo, redo, revert, save, view, state); пути — от папки сценария",
    runScript}};

}  // namespace
}  // namespace virmeya::cli
