// The macro language: words, quotes, comments, key=value, errors with line numbers, and `state`.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sstream>

#include "imaging/codecs/codecs.h"
#include "workspace/macro.h"
#include "workspace/studio.h"

using namespace virmeya;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

TEST(MacroTokens, WordsQuotesAndComments) {
  const auto t = tokenizeMacroLine(q(R"(  open "/мои фото/a \"1\".jpg" level=3 # comment)"));
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].text, q("open"));
  EXPECT_EQ(t[1].text, q(R"(/мои фото/a "1".jpg)"));
  EXPECT_TRUE(t[1].quoted);
  EXPECT_EQ(t[2].text, q("level=3"));
  EXPECT_TRUE(tokenizeMacroLine(q("# only a comment")).empty());
  EXPECT_TRUE(tokenizeMacroLine(q("   ")).empty());
  EXPECT_EQ(tokenizeMacroLine(q("save a#b.png"))[1].text, q("a#b.png"));  // # inside a word is kept
  EXPECT_THROW(tokenizeMacroLine(q(R"(open "unclosed)")), MacroError);
}

class MacroTest : public ::testing::Test {
 protected:
  std::optional<MacroFailure> run(const char* script) {
    MacroInterpreter interpreter(studio, out, err, dir.path());
    return interpreter.runScript(q(script));
  }
  QJsonObject lastState() {
    const std::string text = out.str();
    const std::size_t start = text.rfind('\n', text.size() - 2);
    const std::string line = text.substr(start == std::string::npos ? 0 : start + 1);
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
  }
  QTemporaryDir dir;
  Studio studio;
  std::ostringstream out, err;
};

TEST_F(MacroTest, ErrorsStopTheRunWithTheLineNumber) {
  struct Case { const char* script; int line; const char* text; };
  const Case cases[] = {
      {"state\n\nfrobnicate\nstate\n", 3, "неизвестная команда"},
      {"page sideways\n", 1, "неизвестная страница"},
      {"# nothing yet\nundo\n", 2, "недоступна"},
      {"redo\n", 1, "недоступна"},
      {"open\n", 1, "open PATH"},
      {"state extra\n", 1, "без аргументов"},
      {"open missing.png\n", 1, "Не удалось открыть файл"},
      {"open-recent 0\n", 1, "пуст"},
      {"state\nundo level=2\n", 2, "неизвестный параметр «level»"},
  };
  for (const Case& c : cases) {
    out.str({});
    const auto failure = run(c.script);
    ASSERT_TRUE(failure) << c.script;
    EXPECT_EQ(failure->line, c.line) << c.script;
    EXPECT_TRUE(failure->message.contains(q(c.text))) << failure->message.toStdString();
  }
}

TEST_F(MacroTest, StatePrintsOneJsonLineWithTheListedKeys) {
  writePicture(Bitmap(30, 20, Bgr{10, 20, 30}), dir.filePath(q("a.png")).toStdString());
  ASSERT_FALSE(run("open a.png\npage effects\nstate\n"));
  const std::string text = out.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
  const QJsonObject s = lastState();
  const char* keys[] = {"width", "height", "layers", "current_layer", "mode", "page", "modified",
                        "template_preview", "undo_menu", "redo_menu", "undo_button", "redo_button",
                        "committed_width", "committed_height", "committed_equals_layer0", "hint", "recent"};
  for (const char* k : keys) EXPECT_TRUE(s.contains(q(k))) << k;
  EXPECT_EQ(s.value(q("width")).toInt(), 30);
  EXPECT_EQ(s.value(q("height")).toInt(), 20);
  EXPECT_EQ(s.value(q("page")).toString(), q("effects"));
  EXPECT_EQ(s.value(q("mode")).toInt(), 1);
  EXPECT_TRUE(s.value(q("committed_equals_layer0")).toBool());
  EXPECT_EQ(s.value(q("undo_menu")).toObject().value(q("caption")).toString(), q("Отменить"));
  EXPECT_FALSE(s.value(q("undo_button")).toObject().value(q("enabled")).toBool());
  EXPECT_EQ(s.value(q("recent")).toArray().at(0).toString(), dir.filePath(q("a.png")));
}

TEST_F(MacroTest, RevertUndoRedoAndSaveDriveTheSameModel) {
  writePicture(Bitmap(8, 6, Bgr{10, 20, 30}), dir.filePath(q("a.png")).toStdString());
  ASSERT_FALSE(run("open a.png\nrevert\nundo\nredo\nsave out.png\nstate\n"));
  const QJsonObject s = lastState();
  EXPECT_EQ(s.value(q("undo_menu")).toObject().value(q("caption")).toString(), q("Отменить возврат к исходному"));
  EXPECT_TRUE(s.value(q("undo_menu")).toObject().value(q("enabled")).toBool());
  EXPECT_FALSE(s.value(q("redo_button")).toObject().value(q("enabled")).toBool());
  EXPECT_FALSE(s.value(q("modified")).toBool());  // saved
  EXPECT_TRUE(readPicture(dir.filePath(q("out.png")).toStdString()).bitmap.samePixels(Bitmap(8, 6, Bgr{10, 20, 30})));
}

TEST(MacroTable, EveryCommandIsNamedOnceAndDocumented) {
  QStringList names;
  for (const MacroCommand& c : macroCommands()) {
    EXPECT_FALSE(names.contains(q(c.name))) << c.name;
    names << q(c.name);
    EXPECT_NE(std::string(c.summary), "");
    EXPECT_LE(c.minWords, c.maxWords);
  }
  for (const char* n : {"open", "open-recent", "page", "undo", "redo", "revert", "save", "view", "state"}) {
    EXPECT_TRUE(names.contains(q(n))) << n;
  }
}

}  // namespace
