// gedgen's options, and the program itself run as a user would.
#include "command_line.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "generator.h"

namespace kinsheet::gedgen {
namespace {

CommandLine Parse(std::vector<std::string_view> args) {
  return ParseCommandLine(args);
}

TEST(GedgenCommandLine, DefaultsAndEveryOptionInBothForms) {
  using enum Encoding;
  using enum LineEnd;
  const struct {
    std::vector<std::string_view> args;
    GeneratorOptions options;
    std::string_view output;
  } cases[] = {
      {{}, {1000, 1, kLf, kUtf8, false}, ""},
      {{"--people", "500000", "--seed", "18446744073709551615", "--line-ends",
        "crlf", "--encoding", "cp1252", "--non-ascii", "-o", "out.ged"},
       {500000, 18446744073709551615u, kCrLf, kCp1252, true},
       "out.ged"},
      {{"--people=7", "--seed=3", "--line-ends=cr", "--encoding=utf8-bom",
        "--output=x.ged"},
       {7, 3, kCr, kUtf8Bom, false},
       "x.ged"},
      {{"--line-ends", "cr", "--line-ends", "lf", "--encoding=ansel",
        "--encoding", "utf8"},
       {1000, 1, kLf, kUtf8, false},
       ""}};
  for (const auto& c : cases) {
    const CommandLine r = Parse(c.args);
    ASSERT_EQ(r.action, CommandLine::Action::kGenerate) << r.error;
    const GeneratorOptions& o = r.options;
    EXPECT_EQ(o.people, c.options.people);
    EXPECT_EQ(o.seed, c.options.seed);
    EXPECT_EQ(o.line_end, c.options.line_end);
    EXPECT_EQ(o.encoding, c.options.encoding);
    EXPECT_EQ(o.non_ascii, c.options.non_ascii);
    EXPECT_EQ(r.output, c.output);
  }
  const std::pair<const char*, Encoding> encodings[] = {
      {"utf8", kUtf8},      {"utf8-bom", kUtf8Bom}, {"cp1252", kCp1252},
      {"ascii", kAscii},    {"ansel", kAnsel},      {"utf16le", kUtf16Le},
      {"utf16be", kUtf16Be}};
  for (const auto& [name, encoding] : encodings)
    EXPECT_EQ(Parse({"--encoding", name}).options.encoding, encoding) << name;
}

TEST(GedgenCommandLine, MistakesAreRefusedWithAReason) {
  const struct {
    std::vector<std::string_view> args;
    std::string_view says;
  } cases[] = {
      {{"--people"}, "--people"},
      {{"--people", "many"}, "many"},
      {{"--people", "-5"}, "-5"},
      {{"--people", "12x"}, "12x"},
      {{"--seed", "99999999999999999999"}, "--seed"},
      {{"--line-ends", "crcr"}, "crcr"},
      {{"--encoding", "latin1"}, "latin1"},
      {{"--encoding"}, "--encoding"},
      {{"-o"}, "-o"},
      {{"--non-ascii=yes"}, "--non-ascii"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"extra.ged"}, "extra.ged"},
      {{"--non-ascii", "--encoding", "ascii"}, "ascii"},
  };
  for (const auto& c : cases) {
    const CommandLine r = Parse(c.args);
    EXPECT_EQ(r.action, CommandLine::Action::kError) << c.says;
    EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
  }
}

TEST(GedgenCommandLine, HelpWinsAndDocumentsEveryOption) {
  EXPECT_EQ(Parse({"--people", "5", "--help"}).action,
            CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::kHelp);
  const std::string_view help = HelpText();
  for (const char* word :
       {"--people", "--seed", "--line-ends", "lf", "crlf", "cr", "--encoding",
        "utf8", "utf8-bom", "cp1252", "ascii", "--non-ascii", "--output", "-o",
        "--help"}) {
    EXPECT_NE(help.find(word), std::string_view::npos) << word;
  }
}

// The program, run through the shell.
class GedgenProgram : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The exit status; standard error goes to the file "stderr".
  int Run(const std::string& args) {
    const std::string command =
        "\"" GEDGEN_PROGRAM "\" " + args + " 2>\"" + Path("stderr") + "\"";
    return WEXITSTATUS(std::system(command.c_str()));
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }
  std::string Slurp(const char* name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  const std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("gedgen_test_" + std::to_string(getpid()));
};

TEST_F(GedgenProgram, FileAndStandardOutputHoldTheLibrarysBytes) {
  class : public OutputSink {
   public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
  } expected;
  GenerateGedcom({300, 9, LineEnd::kCrLf, Encoding::kCp1252, true}, expected);
  const std::string flags =
      "--people 300 --seed 9 --encoding cp1252 --non-ascii --line-ends crlf";
  const std::string file = "\"" + Path("out.ged") + "\"";
  for (const std::string& to :
       {" -o " + file, " > " + file, " --output - >" + file}) {
    std::filesystem::remove(Path("out.ged"));
    ASSERT_EQ(Run(flags + to), 0) << to;
    EXPECT_EQ(Slurp("out.ged"), expected.text) << to;
  }
}

TEST_F(GedgenProgram, HelpAndErrorsAndUnwritableOutput) {
  ASSERT_EQ(Run("--help > \"" + Path("help") + "\""), 0);
  EXPECT_EQ(Slurp("help"), HelpText());

  EXPECT_EQ(Run("--people lots"), 2);
  EXPECT_NE(Slurp("stderr").find("lots"), std::string::npos);

  EXPECT_EQ(Run("-o \"" + (dir_ / "missing" / "x.ged").string() + "\""), 1);
  EXPECT_NE(Slurp("stderr").find("x.ged"), std::string::npos);
}

}  // namespace
}  // namespace kinsheet::gedgen
