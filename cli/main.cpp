// virmeya-cli entry: dispatches to the registered commands.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/command.h"

namespace virmeya::cli {

std::vector<Command>& commandTable() {
  static std::vector<Command> table;
  return table;
}

int fail(int code, std::string_view message) {
  std::cerr << "virmeya-cli: " << message << '\n';
  return code;
}

namespace {

void printHelp() {
  std::vector<Command> sorted = commandTable();
  std::sort(sorted.begin(), sorted.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
  std::cout << "Вирмея — фотостудия эффектов, командная строка\n\n"
               "Использование: virmeya-cli КОМАНДА [АРГУМЕНТЫ]\n\nКоманды:\n";
  for (const Command& c : sorted) {
    std::cout << "  " << c.name << ' ' << c.usage << "\n      " << c.summary << '\n';
  }
  std::cout << "\n  --help       эта справка\n  --version    версия программы\n\n"
               "Коды выхода: 0 успех, 1 ошибка в аргументах, 2 не удалось прочитать файл,\n"
               "3 не удалось записать файл, 4 сценарий остановлен на ошибке.\n";
}

}  // namespace
}  // namespace virmeya::cli

int main(int argc, char** argv) {
  using namespace virmeya::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printHelp();
    return kUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printHelp();
    return kOk;
  }
  if (args[0] == "--version") {
    std::cout << "virmeya-cli " << VIRMEYA_VERSION << '\n';
    return kOk;
  }
  for (const Command& c : commandTable()) {
    if (c.name == args[0]) {
      try {
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
      } catch (const std::exception& e) {
        return fail(kCannotRead, e.what());
      }
    }
  }
  return fail(kUsage, "неизвестная команда «" + args[0] + "»; список команд: virmeya-cli --help");
}
