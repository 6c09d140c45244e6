// The gedgen command line: options in, a generator setup or a message out.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "generator.h"

namespace kinsheet::gedgen {

struct CommandLine {
  enum class Action { kGenerate, kHelp, kError };
  Action action = Action::kGenerate;
  GeneratorOptions options;
  std::string output;  // empty or "-": standard output
  std::string error;   // for kError
};

// Parses the arguments after the program name.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// The text of `gedgen --help`.
std::string_view HelpText();

}  // namespace kinsheet::gedgen
