// The command table of virmeya-cli. Each command lives in its own file and registers itself with a
// static CommandRegistration, so adding a command touches one file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace virmeya::cli {

// Exit codes shared by every command.
enum ExitCode : int {
  kOk = 0,
  kUsage = 1,        // bad arguments, unknown operation or parameter
  kCannotRead = 2,   // the input could not be read or decoded
  kCannotWrite = 3,  // the output could not be written
  kScriptFailed = 4, // a macro script stopped at an error
};

struct Command {
  std::string name;
  std::string usage;    // one line: arguments
  std::string summary;  // one line: what it does
  int (*run)(const std::vector<std::string>& args);  // args exclude the command name
};

std::vector<Command>& commandTable();

struct CommandRegistration {
  explicit CommandRegistration(Command c) { commandTable().push_back(std::move(c)); }
};

// Prints "virmeya-cli: <message>" as one line on stderr and returns code.
int fail(int code, std::string_view message);

}  // namespace virmeya::cli
