// Shared helpers of the window tests: one QApplication for the whole program, small pictures on disk.
#pragma once

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "imaging/bitmap.h"
#include "imaging/codecs/codecs.h"

namespace virmeya::test {

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "virmeya_ui_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(argc, argv);
  return application;
}

// Writes a width × height picture of one colour and returns its path.
inline QString writeSolidPicture(const QTemporaryDir& dir, const QString& name, int width, int height, Bgr colour) {
  const QString path = dir.filePath(name);
  writePicture(Bitmap(width, height, colour), path.toStdString());
  return path;
}

}  // namespace virmeya::test
