// gedgen: writes a synthetic GEDCOM file for tests and benchmarks.
#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "file_sink.h"
#include "generator.h"

int main(int argc, char** argv) {
  using kinsheet::gedgen::CommandLine;
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const CommandLine command = kinsheet::gedgen::ParseCommandLine(args);
  if (command.action == CommandLine::Action::kHelp) {
    const std::string_view help = kinsheet::gedgen::HelpText();
    std::fwrite(help.data(), 1, help.size(), stdout);
    return 0;
  }
  if (command.action == CommandLine::Action::kError) {
    std::fprintf(stderr, "gedgen: %s\nTry 'gedgen --help'.\n",
                 command.error.c_str());
    return 2;
  }
  try {
    using kinsheet::gedgen::FileSink;
    const bool to_stdout = command.output.empty() || command.output == "-";
    auto sink = to_stdout ? std::make_unique<FileSink>()
                          : std::make_unique<FileSink>(command.output);
    kinsheet::gedgen::GenerateGedcom(command.options, *sink);
    sink->Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gedgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
