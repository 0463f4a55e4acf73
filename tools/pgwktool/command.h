#pragma once
// pgwktool's subcommands. Each lives in a file of its own and registers itself with
// a static CommandRegistration, so adding a command touches no other file.

#include <functional>
#include <string>
#include <vector>

namespace pgwk::tool {

// Thrown for a wrong command line: pgwktool prints the usage and exits with 2.
struct UsageError {
  std::string message;
};

struct Command {
  std::string name;
  std::string synopsis;  // arguments, as shown in the usage text
  std::string summary;   // one line
  // Returns the exit status. ReaderError escapes to main, which prints it.
  std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<Command>& commands();

struct CommandRegistration {
  explicit CommandRegistration(Command command) { commands().push_back(std::move(command)); }
};

}  // namespace pgwk::tool
