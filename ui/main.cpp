// virmeya: the desktop program. `virmeya [PHOTO] [--content DIR] [--config-dir DIR]`.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/glyphs.h"
#include "ui/main_window.h"
#include "workspace/paths.h"
#include "workspace/studio.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("virmeya");
  QApplication::setApplicationDisplayName("Вирмея");
  QApplication::setDesktopFileName("virmeya");
  QApplication::setWindowIcon(virmeya::applicationIcon());

  // Qt's own dialogs (the file dialogs' column headers, standard buttons) speak Russian like the rest
  // of the program; without the translation package they stay in English.
  QTranslator qtTranslator;
  for (const QString& dir : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                             QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
    if (qtTranslator.load(QStringLiteral("qtbase_ru"), dir)) {
      QApplication::installTranslator(&qtTranslator);
      break;
    }
  }

  QCommandLineParser parser;
  parser.setApplicationDescription("Вирмея — фотостудия эффектов");
  parser.addHelpOption();
  const QCommandLineOption contentOption("content", "Папка с содержимым программы.", "DIR");
  const QCommandLineOption configOption("config-dir", "Папка для Recent.lst и Conf.ini.", "DIR");
  parser.addOption(contentOption);
  parser.addOption(configOption);
  parser.addPositionalArgument("PHOTO", "Фотография, которую открыть при запуске.", "[PHOTO]");
  parser.process(app);

  virmeya::Studio studio;
  studio.setConfigDir(virmeya::configDir(parser.value(configOption)));
  studio.setContentRoot(virmeya::contentRoot(parser.value(contentOption)));
  studio.readRecentList();

  virmeya::MainWindow window(studio);
  const QStringList photos = parser.positionalArguments();
  // The full name, so that the recent list can find the photo again from any folder.
  window.start(photos.isEmpty() ? QString() : QFileInfo(photos.first()).absoluteFilePath());
  return QApplication::exec();
}
