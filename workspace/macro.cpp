// The macro interpreter and its command table.
#include "workspace/macro.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <ostream>

#include "workspace/effects_tool.h"
#include "workspace/saving.h"
#include "workspace/studio.h"

namespace virmeya {
namespace {

QString fromUtf8(const char* s) { return QString::fromUtf8(s); }

// ---- the commands

void openCommand(MacroContext& c, const MacroArgs& a) {
  const OpenResult r = c.studio.openPhoto(c.resolve(a.words.at(0)));
  if (r.status == OpenResult::Status::Failed) throw MacroError(r.message);
  if (r.status == OpenResult::Status::Incomplete) c.err << r.message.toStdString() << '\n';
}

void openRecentCommand(MacroContext& c, const MacroArgs& a) {
  const int count = static_cast<int>(c.studio.recentStrip().size());
  if (count == 0) throw MacroError(QStringLiteral("список недавних файлов пуст"));
  c.studio.selectRecent(a.intWord(0, 0, count - 1));
  const OpenResult r = c.studio.openSelectedRecent();
  if (r.status == OpenResult::Status::Failed) throw MacroError(r.message);
  if (r.status == OpenResult::Status::Incomplete) c.err << r.message.toStdString() << '\n';
}

void pageCommand(MacroContext& c, const MacroArgs& a) {
  Page page;
  if (!pageFromWord(a.words.at(0), &page)) {
    throw MacroError(QStringLiteral("неизвестная страница «%1»: open, edit, effects, montage или decor")
                         .arg(a.words.at(0)));
  }
  c.studio.pressPageButton(page);
}

void undoCommand(MacroContext& c, const MacroArgs&) {
  if (!c.studio.undo()) throw MacroError(QStringLiteral("отменять нечего: команда «Отменить» недоступна"));
}

void redoCommand(MacroContext& c, const MacroArgs&) {
  if (!c.studio.redo()) throw MacroError(QStringLiteral("повторять нечего: команда «Повторить» недоступна"));
}

void revertCommand(MacroContext& c, const MacroArgs&) {
  const OpenResult r = c.studio.revert();
  if (r.status == OpenResult::Status::Failed) throw MacroError(r.message);
  if (r.status == OpenResult::Status::Incomplete) c.err << r.message.toStdString() << '\n';
}

void saveCommand(MacroContext& c, const MacroArgs& a) {
  const SaveResult r = c.studio.saveCurrentLayer(c.resolve(a.words.at(0)));
  if (!r.ok) throw MacroError(QStringLiteral("не удалось сохранить файл: ") + r.message);
}

void viewCommand(MacroContext& c, const MacroArgs& a) {
  const SaveResult r = c.studio.saveView(c.resolve(a.words.at(0)));
  if (!r.ok) throw MacroError(QStringLiteral("не удалось сохранить файл: ") + r.message);
}

void stateCommand(MacroContext& c, const MacroArgs&) { c.out << studioStateJson(c.studio).toStdString() << '\n'; }

const std::vector<MacroCommand> kCommands = {
    {"open", "PATH", "открыть фотографию (как выбор в диалоге «Открыть»)", 1, 1, openCommand},
    {"open-recent", "INDEX", "выделить недавний файл (с 0) и нажать «Открыть выбранный файл»", 1, 1,
     openRecentCommand},
    {"page", "open|edit|effects|montage|decor", "кнопка страницы на панели инструментов", 1, 1, pageCommand},
    {"undo", "", "Правка > Отменить", 0, 0, undoCommand},
    {"redo", "", "Правка > Повторить", 0, 0, redoCommand},
    {"revert", "", "Правка > Вернуться к исходному", 0, 0, revertCommand},
    {"save", "PATH", "записать текущий слой, формат по расширению", 1, 1, saveCommand},
    {"view", "PATH", "записать то, что показывает окно (все видимые слои)", 1, 1, viewCommand},
    {"state", "", "состояние студии одной строкой JSON", 0, 0, stateCommand},
};

bool isOptionKey(const QString& key) {
  if (key.isEmpty()) return false;
  for (QChar ch : key) {
    if (!(ch.isLetterOrNumber() || ch == QLatin1Char('-') || ch == QLatin1Char('_'))) return false;
  }
  return true;
}

int parseInt(const QString& text, int lo, int hi, const QString& what) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < lo || v > hi) {
    throw MacroError(QStringLiteral("%1: ожидается целое число от %2 до %3, а не «%4»").arg(what).arg(lo).arg(hi).arg(text));
  }
  return v;
}

QJsonObject menuState(bool enabled, const QString& caption) {
  return QJsonObject{{QStringLiteral("enabled"), enabled}, {QStringLiteral("caption"), caption}};
}

}  // namespace

// The saving commands (saving_macros.cpp) join the table; their `save` replaces the plain one above.
const std::vector<MacroCommand>& macroCommands() {
  static const std::vector<MacroCommand> all = [] {
    std::vector<MacroCommand> list;
    const std::vector<MacroCommand>& saving = savingMacroCommands();
    for (const MacroCommand& c : kCommands) {
      const bool replaced = std::any_of(saving.begin(), saving.end(),
                                        [&](const MacroCommand& s) { return qstrcmp(s.name, c.name) == 0; });
      if (!replaced) list.push_back(c);
    }
    list.insert(list.end(), saving.begin(), saving.end());
    const std::vector<MacroCommand>& effects = effectsMacroCommands();
    list.insert(list.end(), effects.begin(), effects.end());
    return list;
  }();
  return all;
}

QString MacroArgs::option(const QString& key, const QString& fallback) const {
  for (const auto& [k, v] : options) {
    if (k == key) return v;
  }
  return fallback;
}

bool MacroArgs::hasOption(const QString& key) const {
  for (const auto& kv : options) {
    if (kv.first == key) return true;
  }
  return false;
}

int MacroArgs::intOption(const QString& key, int fallback, int lo, int hi) const {
  if (!hasOption(key)) return fallback;
  return parseInt(option(key), lo, hi, key);
}

int MacroArgs::intWord(int index, int lo, int hi) const {
  return parseInt(words.at(index), lo, hi, QStringLiteral("аргумент %1").arg(index + 1));
}

QString MacroContext::resolve(const QString& path) const {
  if (baseDir.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QDir(baseDir).filePath(path);
}

std::vector<MacroToken> tokenizeMacroLine(const QString& line) {
  std::vector<MacroToken> tokens;
  qsizetype i = 0;
  const qsizetype n = line.size();
  while (i < n) {
    while (i < n && line.at(i).isSpace()) ++i;
    if (i >= n || line.at(i) == QLatin1Char('#')) break;
    MacroToken token;
    while (i < n && !line.at(i).isSpace()) {
      const QChar ch = line.at(i);
      if (ch == QLatin1Char('"')) {
        token.quoted = true;
        ++i;
        bool closed = false;
        while (i < n) {
          QChar q = line.at(i++);
          if (q == QLatin1Char('"')) {
            closed = true;
            break;
          }
          if (q == QLatin1Char('\\') && i < n) q = line.at(i++);
          token.text.append(q);
        }
        if (!closed) throw MacroError(QStringLiteral("не закрыта кавычка"));
      } else {
        token.text.append(ch);
        ++i;
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

MacroInterpreter::MacroInterpreter(Studio& studio, std::ostream& out, std::ostream& err, QString baseDir)
    : context_{studio, out, err, std::move(baseDir)} {}

void MacroInterpreter::runLine(const QString& line) {
  const std::vector<MacroToken> tokens = tokenizeMacroLine(line);
  if (tokens.empty()) return;
  const QString name = tokens.front().text;
  const MacroCommand* command = nullptr;
  for (const MacroCommand& c : macroCommands()) {
    if (name == fromUtf8(c.name)) command = &c;
  }
  if (!command) throw MacroError(QStringLiteral("неизвестная команда «%1»").arg(name));
  MacroArgs args;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const MacroToken& t = tokens[i];
    const qsizetype eq = t.quoted ? -1 : t.text.indexOf(QLatin1Char('='));
    if (eq > 0 && isOptionKey(t.text.left(eq))) {
      args.options.emplace_back(t.text.left(eq), t.text.mid(eq + 1));
    } else {
      args.words.append(t.text);
    }
  }
  const QStringList accepted = fromUtf8(command->options).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (const auto& kv : args.options) {
    if (!accepted.contains(kv.first)) {
      throw MacroError(QStringLiteral("%1: неизвестный параметр «%2»").arg(name, kv.first));
    }
  }
  const int words = static_cast<int>(args.words.size());
  if (words < command->minWords || words > command->maxWords) {
    const QString usage = fromUtf8(command->usage);
    throw MacroError(QStringLiteral("%1: ожидается %2").arg(name, usage.isEmpty() ? QStringLiteral("без аргументов")
                                                                                      : name + QLatin1Char(' ') + usage));
  }
  command->run(context_, args);
}

std::optional<MacroFailure> MacroInterpreter::runScript(const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines.at(i);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    try {
      runLine(line);
    } catch (const std::exception& e) {
      return MacroFailure{static_cast<int>(i + 1), QString::fromUtf8(e.what())};
    }
  }
  return std::nullopt;
}

QString studioStateJson(const Studio& studio) {
  const LayeredImage& image = studio.image();
  const Bitmap& photo = image.photo().bitmap;
  const Bitmap& committed = studio.committedImage();
  QJsonObject o;
  o.insert(QStringLiteral("width"), photo.width());
  o.insert(QStringLiteral("height"), photo.height());
  o.insert(QStringLiteral("layers"), image.layerCount());
  o.insert(QStringLiteral("current_layer"), image.currentLayer());
  o.insert(QStringLiteral("mode"), studio.mode());
  o.insert(QStringLiteral("page"), fromUtf8(pageWord(studio.page())));
  o.insert(QStringLiteral("modified"), studio.modifiedFlag());
  o.insert(QStringLiteral("template_preview"), studio.templatePreviewFlag());
  o.insert(QStringLiteral("undo_menu"), menuState(studio.undoMenuEnabled(), studio.undoCaption()));
  o.insert(QStringLiteral("redo_menu"), menuState(studio.redoMenuEnabled(), studio.redoCaption()));
  o.insert(QStringLiteral("undo_button"), QJsonObject{{QStringLiteral("enabled"), studio.undoButtonEnabled()}});
  o.insert(QStringLiteral("redo_button"), QJsonObject{{QStringLiteral("enabled"), studio.redoButtonEnabled()}});
  o.insert(QStringLiteral("committed_width"), committed.width());
  o.insert(QStringLiteral("committed_height"), committed.height());
  o.insert(QStringLiteral("committed_equals_layer0"), committed.samePixels(photo));
  o.insert(QStringLiteral("hint"), studio.hint());
  o.insert(QStringLiteral("recent"), QJsonArray::fromStringList(studio.recentList()));
  o.insert(QStringLiteral("zoom"), studio.zoom());
  o.insert(QStringLiteral("size_text"), studio.sizeText());
  o.insert(QStringLiteral("zoom_text"), studio.zoomText());
  o.insert(QStringLiteral("picture_commands"), studio.pictureCommandsEnabled());
  addSavingState(studio, o);
  return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

}  // namespace virmeya
