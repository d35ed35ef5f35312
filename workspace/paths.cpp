// Configuration and content folders.
#include "workspace/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace virmeya {

QString programDir() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  // Without an application object (the command-line tool) the kernel names the executable.
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return QString::fromStdString(exe.parent_path().string());
  return QDir::currentPath();
}

QString configDir(const QString& override) {
  if (!override.isEmpty()) return QDir(override).absolutePath();
  const QString program = programDir();
  if (QFileInfo(program).isWritable()) return program;
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/virmeya");
}

QString contentRoot(const QString& override) {
  if (!override.isEmpty()) return QDir(override).absolutePath();
  const QString env = qEnvironmentVariable("VIRMEYA_CONTENT");
  if (!env.isEmpty()) return QDir(env).absolutePath();
  const QDir program(programDir());
  if (program.exists(QStringLiteral("Data"))) return program.absolutePath();
  if (program.exists(QStringLiteral("content"))) return program.absoluteFilePath(QStringLiteral("content"));
  return QDir::cleanPath(program.absoluteFilePath(QStringLiteral("../share/virmeya")));
}

}  // namespace virmeya
