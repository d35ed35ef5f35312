// The recent list: its rules, the strip on the Open page, and the file Recent.lst.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "imaging/codecs/codecs.h"
#include "workspace/paths.h"
#include "workspace/studio.h"
#include "workspace/text_file.h"

using namespace virmeya;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QString writePhoto(const QTemporaryDir& dir, const QString& name, int seed) {
  const QString path = dir.filePath(name);
  writePicture(Bitmap(4 + seed, 3, Bgr{std::uint8_t(seed * 20), 0, 0}), path.toStdString());
  return path;
}

TEST(RecentList, DuplicatesStayWhereTheyAre) {
  Studio s;
  for (const char* n : {"/a.jpg", "/b.jpg", "/c.jpg"}) s.addRecentFile(q(n));
  s.addRecentFile(q("/a.jpg"));
  EXPECT_EQ(s.recentList(), (QStringList{q("/c.jpg"), q("/b.jpg"), q("/a.jpg")}));
}

TEST(RecentList, NamesDifferingInCaseAreTwoEntries) {
  Studio s;
  s.addRecentFile(q("/Фото/A.jpg"));
  s.addRecentFile(q("/фото/a.jpg"));
  EXPECT_EQ(s.recentList().size(), 2);
}

TEST(RecentList, TheTenthFileDropsTheOldest) {
  Studio s;
  for (int i = 1; i <= 10; ++i) s.addRecentFile(QStringLiteral("/p%1.jpg").arg(i));
  ASSERT_EQ(s.recentList().size(), 9);
  EXPECT_EQ(s.recentList().front(), q("/p10.jpg"));
  EXPECT_EQ(s.recentList().back(), q("/p2.jpg"));
}

TEST(RecentList, ALongerOldListIsTrimmedToNineWhenANameIsAdded) {
  Studio s;
  QStringList old;
  for (int i = 0; i < 12; ++i) old << QStringLiteral("/old%1.jpg").arg(i);
  s.setRecentList(old);
  EXPECT_EQ(s.recentList().size(), 12);  // read as it is
  s.addRecentFile(q("/new.jpg"));
  ASSERT_EQ(s.recentList().size(), 9);
  EXPECT_EQ(s.recentList().front(), q("/new.jpg"));
  EXPECT_EQ(s.recentList().back(), q("/old7.jpg"));
}

TEST(RecentFile, WrittenAsUtf8WithCrlfAndReadBack) {
  QTemporaryDir dir;
  Studio s;
  s.setConfigDir(dir.filePath(q("config")));  // created when missing
  s.addRecentFile(q("/home/мы/фото 1.jpg"));
  s.addRecentFile(q("/b.png"));
  ASSERT_TRUE(s.writeRecentList().ok);
  const QString file = dir.filePath(q("config/Recent.lst"));
  EXPECT_EQ(fileBytes(file), q("/b.png\r\n/home/мы/фото 1.jpg\r\n").toUtf8());

  Studio t;
  t.setConfigDir(dir.filePath(q("config")));
  t.readRecentList();
  EXPECT_EQ(t.recentList(), s.recentList());
}

TEST(RecentFile, AnUnwritableFolderIsReportedNotIgnored) {
  QTemporaryDir dir;
  const QString blocker = dir.filePath(q("file"));
  writeBytes(blocker, "x");
  Studio s;
  s.setConfigDir(blocker);  // a file where the folder should be
  s.addRecentFile(q("/a.jpg"));
  const SaveResult r = s.writeRecentList();
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.message.isEmpty());
}

TEST(RecentFile, OldWindows1251FileIsAccepted) {
  QTemporaryDir dir;
  // "C:\Фото\Ёлка.jpg" and "D:\№1.bmp" in Windows-1251, CRLF ended.
  writeBytes(dir.filePath(q("Recent.lst")), QByteArray("C:\\\xD4\xEE\xF2\xEE\\\xA8\xEB\xEA\xE0.jpg\r\nD:\\\xB9" "1.bmp\r\n"));
  Studio s;
  s.setConfigDir(dir.path());
  s.readRecentList();
  EXPECT_EQ(s.recentList(), (QStringList{q("C:\\Фото\\Ёлка.jpg"), q("D:\\№1.bmp")}));
}

TEST(RecentFile, MissingOrEmptyFileIsAnEmptyListAndTheOpenButtonIsDisabled) {
  QTemporaryDir dir;
  Studio s;
  s.setConfigDir(dir.path());
  s.readRecentList();
  EXPECT_TRUE(s.recentList().isEmpty());
  writeBytes(dir.filePath(q("Recent.lst")), QByteArray());
  s.readRecentList();
  s.showOpenPage();
  EXPECT_TRUE(s.recentStrip().isEmpty());
  EXPECT_FALSE(s.openSelectedEnabled());
}

TEST(TextFile, Utf8BomAndLfLinesAndBlankLines) {
  QTemporaryDir dir;
  const QString path = dir.filePath(q("t.txt"));
  writeBytes(path, QByteArray("\xEF\xBB\xBF") + q("один\n\nдва\r\n").toUtf8());
  bool exists = false;
  EXPECT_EQ(readTextLines(path, &exists), (QStringList{q("один"), q("два")}));
  EXPECT_TRUE(exists);
  readTextLines(dir.filePath(q("none.txt")), &exists);
  EXPECT_FALSE(exists);
}

TEST(RecentStrip, FilledWhenTheOpenPageIsEnteredNotByOpening) {
  QTemporaryDir dir;
  const QString a = writePhoto(dir, q("a.png"), 1), b = writePhoto(dir, q("b.png"), 2);
  Studio s;
  s.openPhoto(a);
  EXPECT_TRUE(s.recentStrip().isEmpty());
  s.showEditPage();
  s.openPhoto(b);
  s.showOpenPage();
  EXPECT_EQ(s.recentStrip(), (QStringList{b, a}));
  EXPECT_TRUE(s.openSelectedEnabled());
  EXPECT_EQ(s.recentSelection(), -1);
}

TEST(RecentStrip, OpeningWithoutSelectionLeavesThePhotoAlone) {
  QTemporaryDir dir;
  const QString a = writePhoto(dir, q("a.png"), 1);
  Studio s;
  s.openPhoto(a);
  s.showOpenPage();
  s.image().photo().bitmap.setPixel(0, 0, Bgr{1, 2, 3});
  EXPECT_EQ(s.openSelectedRecent().status, OpenResult::Status::Cancelled);
  EXPECT_EQ(s.image().photo().bitmap.pixel(0, 0), (Bgr{1, 2, 3}));
}

TEST(RecentStrip, OpeningARecentPhotoKeepsTheListOrder) {
  QTemporaryDir dir;
  const QString a = writePhoto(dir, q("a.png"), 1), b = writePhoto(dir, q("b.png"), 2);
  Studio s;
  s.openPhoto(a);
  s.openPhoto(b);
  s.showOpenPage();
  s.selectRecent(1);
  const OpenResult r = s.openSelectedRecent();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(s.image().photo().bitmap.width(), 5);  // a.png
  EXPECT_EQ(s.recentList(), (QStringList{b, a}));
  EXPECT_EQ(s.openedFileName(), a);
  EXPECT_EQ(s.mode(), kModeEditing);
  EXPECT_FALSE(s.undoMenuEnabled());
  s.selectRecent(5);  // out of range: ignored
  EXPECT_EQ(s.recentSelection(), 1);
}

TEST(RecentStrip, AnUnreadableEntryKeepsItsPlaceAndFailsToOpen) {
  QTemporaryDir dir;
  const QString a = writePhoto(dir, q("a.png"), 1);
  Studio s;
  s.setRecentList({dir.filePath(q("gone.jpg")), a});
  s.showOpenPage();
  EXPECT_EQ(s.recentStrip().size(), 2);
  s.selectRecent(0);
  const OpenResult r = s.openSelectedRecent();
  EXPECT_EQ(r.status, OpenResult::Status::Failed);
  EXPECT_EQ(s.mode(), kModeOpenPhoto);
  EXPECT_EQ(s.image().photo().bitmap.width(), 1);
}

TEST(Paths, OverridesWin) {
  EXPECT_EQ(configDir(q("/tmp/x/../cfg")), q("/tmp/cfg"));
  EXPECT_EQ(contentRoot(q("/srv/content")), q("/srv/content"));
  const QByteArray saved = qgetenv("VIRMEYA_CONTENT");
  qputenv("VIRMEYA_CONTENT", "/opt/virmeya-content");
  EXPECT_EQ(contentRoot(), q("/opt/virmeya-content"));
  qputenv("VIRMEYA_CONTENT", saved);
  EXPECT_FALSE(configDir().isEmpty());
}

}  // namespace
