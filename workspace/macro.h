// The macro language: a text of studio commands, one per line, run against a Studio exactly as the
// window's controls would. `#` starts a comment; arguments are plain words or key=value pairs; a
// word with spaces is written in double quotes.
#pragma once

#include <QString>
#include <QStringList>

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace virmeya {

class Studio;

// A command that cannot run; the interpreter adds the line number.
class MacroError : public std::runtime_error {
 public:
  explicit MacroError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The words and key=value pairs of one command line (the command name excluded).
struct MacroArgs {
  QStringList words;
  std::vector<std::pair<QString, QString>> options;

  // The option's value, or `fallback` when absent.
  QString option(const QString& key, const QString& fallback = {}) const;
  bool hasOption(const QString& key) const;
  // The option as an integer within [lo, hi]; MacroError otherwise.
  int intOption(const QString& key, int fallback, int lo, int hi) const;
  // The word at `index` as an integer within [lo, hi]; MacroError otherwise.
  int intWord(int index, int lo, int hi) const;
};

// What a command works with.
struct MacroContext {
  Studio& studio;
  std::ostream& out;      // `state` and other reports
  std::ostream& err;      // notices that do not stop the run (a photo that loaded incomplete)
  QString baseDir;        // relative paths are taken from here (the script's folder)

  QString resolve(const QString& path) const;
};

using MacroHandler = void (*)(MacroContext& context, const MacroArgs& args);

struct MacroCommand {
  const char* name;
  const char* usage;    // the arguments, for the help text
  const char* summary;  // one line
  int minWords;         // plain words accepted
  int maxWords;
  MacroHandler run;
  const char* options = "";  // the key=value keys it accepts, separated by spaces
};

// Every command of the language (one table; a new command is one entry).
const std::vector<MacroCommand>& macroCommands();

// Splits a line into words, honouring double quotes (\" and \\ inside) and `#` comments.
// A quoted word never counts as key=value.
struct MacroToken {
  QString text;
  bool quoted = false;
};
std::vector<MacroToken> tokenizeMacroLine(const QString& line);

struct MacroFailure {
  int line = 0;  // 1-based
  QString message;
};

class MacroInterpreter {
 public:
  MacroInterpreter(Studio& studio, std::ostream& out, std::ostream& err, QString baseDir = {});

  // Runs one line; MacroError when it fails. Empty and comment lines do nothing.
  void runLine(const QString& line);
  // Runs a whole script, stopping at the first failing line.
  std::optional<MacroFailure> runScript(const QString& text);

 private:
  MacroContext context_;
};

// The state as one JSON object on one line (what the `state` command prints).
QString studioStateJson(const Studio& studio);

}  // namespace virmeya
