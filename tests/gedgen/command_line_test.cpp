// gedgen's options, and the program itself run as a user would.
#include "command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "generator.h"

namespace kinsheet::gedgen {
namespace {

CommandLine Parse(std::vector<std::string_view> args) {
  return ParseCommandLine(args);
}

TEST(GedgenCommandLine, Defaults) {
  const CommandLine c = Parse({});
  EXPECT_EQ(c.action, CommandLine::Action::kGenerate);
  EXPECT_EQ(c.options.people, 1000u);
  EXPECT_EQ(c.options.seed, 1u);
  EXPECT_EQ(c.options.line_end, LineEnd::kLf);
  EXPECT_EQ(c.options.encoding, Encoding::kUtf8);
  EXPECT_FALSE(c.options.non_ascii);
  EXPECT_TRUE(c.output.empty());
}

TEST(GedgenCommandLine, EveryOptionInBothForms) {
  const CommandLine a = Parse(
      {"--people", "500000", "--seed", "18446744073709551615", "--line-ends",
       "crlf", "--encoding", "cp1252", "--non-ascii", "-o", "out.ged"});
  ASSERT_EQ(a.action, CommandLine::Action::kGenerate) << a.error;
  EXPECT_EQ(a.options.people, 500000u);
  EXPECT_EQ(a.options.seed, 18446744073709551615u);
  EXPECT_EQ(a.options.line_end, LineEnd::kCrLf);
  EXPECT_EQ(a.options.encoding, Encoding::kCp1252);
  EXPECT_TRUE(a.options.non_ascii);
  EXPECT_EQ(a.output, "out.ged");

  const CommandLine b = Parse({"--people=7", "--seed=3", "--line-ends=cr",
                               "--encoding=utf8-bom", "--output=x.ged"});
  ASSERT_EQ(b.action, CommandLine::Action::kGenerate) << b.error;
  EXPECT_EQ(b.options.people, 7u);
  EXPECT_EQ(b.options.seed, 3u);
  EXPECT_EQ(b.options.line_end, LineEnd::kCr);
  EXPECT_EQ(b.options.encoding, Encoding::kUtf8Bom);
  EXPECT_EQ(b.output, "x.ged");

  EXPECT_EQ(Parse({"--line-ends", "lf"}).options.line_end, LineEnd::kLf);
  EXPECT_EQ(Parse({"--encoding", "ascii"}).options.encoding, Encoding::kAscii);
  EXPECT_EQ(Parse({"--encoding", "utf8"}).options.encoding, Encoding::kUtf8);
  EXPECT_EQ(Parse({"--encoding", "ansel"}).options.encoding, Encoding::kAnsel);
  EXPECT_EQ(Parse({"--encoding", "utf16le"}).options.encoding, Encoding::kUtf16Le);
  EXPECT_EQ(Parse({"--encoding=utf16be"}).options.encoding, Encoding::kUtf16Be);
}

TEST(GedgenCommandLine, MistakesAreRefusedWithAReason) {
  struct Case {
    std::vector<std::string_view> args;
    std::string_view says;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
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
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() /
        ("gedgen_test_" +
         std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  int Run(const std::string& args) {
    const std::string command = "\"" GEDGEN_PROGRAM "\" " + args + " 2>\"" +
                                (dir_ / "stderr").string() + "\"";
    const int status = std::system(command.c_str());
    return WEXITSTATUS(status);
  }
  static std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Expected(const GeneratorOptions& o) {
    class Sink : public OutputSink {
     public:
      void Write(std::string_view b) override { text.append(b); }
      std::string text;
    } sink;
    GenerateGedcom(o, sink);
    return sink.text;
  }
  std::filesystem::path dir_;
};

TEST_F(GedgenProgram, FileAndStandardOutputHoldTheLibrarysBytes) {
  GeneratorOptions o;
  o.people = 300;
  o.seed = 9;
  o.encoding = Encoding::kCp1252;
  o.non_ascii = true;
  o.line_end = LineEnd::kCrLf;
  const std::string expected = Expected(o);
  const std::string flags =
      "--people 300 --seed 9 --encoding cp1252 --non-ascii --line-ends crlf";

  ASSERT_EQ(Run(flags + " -o \"" + (dir_ / "a.ged").string() + "\""), 0);
  EXPECT_EQ(Slurp(dir_ / "a.ged"), expected);
  ASSERT_EQ(Run(flags + " > \"" + (dir_ / "b.ged").string() + "\""), 0);
  EXPECT_EQ(Slurp(dir_ / "b.ged"), expected);
  ASSERT_EQ(Run(flags + " --output - > \"" + (dir_ / "c.ged").string() + "\""),
            0);
  EXPECT_EQ(Slurp(dir_ / "c.ged"), expected);
}

TEST_F(GedgenProgram, HelpAndErrorsAndUnwritableOutput) {
  ASSERT_EQ(Run("--help > \"" + (dir_ / "help").string() + "\""), 0);
  EXPECT_EQ(Slurp(dir_ / "help"), HelpText());

  EXPECT_EQ(Run("--people lots"), 2);
  EXPECT_NE(Slurp(dir_ / "stderr").find("lots"), std::string::npos);

  EXPECT_EQ(Run("-o \"" + (dir_ / "missing" / "x.ged").string() + "\""), 1);
  EXPECT_NE(Slurp(dir_ / "stderr").find("x.ged"), std::string::npos);
}

}  // namespace
}  // namespace kinsheet::gedgen
