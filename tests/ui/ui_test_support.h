// Shared helpers of the window tests: one QApplication for the whole program, small pictures on disk.
#pragma once

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "imaging/bitmap.h"
#include "imaging/codecs/codecs.h"

namespace virmeya::test {

// The application of the test program: made on first use, ended by the test environment's tear-down
// (not by static destruction, which would run after parts of Qt it needs are gone).
inline QApplication*& appInstance() {
  static QApplication* application = nullptr;
  return application;
}

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "virmeya_ui_tests";
  static char* argv[] = {name, nullptr};
  QApplication*& application = appInstance();
  if (application == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QApplication(argc, argv);
  }
  return *application;
}

inline void endApp() {
  delete appInstance();
  appInstance() = nullptr;
}

// Writes a width × height picture of one colour and returns its path.
inline QString writeSolidPicture(const QTemporaryDir& dir, const QString& name, int width, int height, Bgr colour) {
  const QString path = dir.filePath(name);
  writePicture(Bitmap(width, height, colour), path.toStdString());
  return path;
}

}  // namespace virmeya::test
