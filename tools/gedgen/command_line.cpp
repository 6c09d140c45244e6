// Option parsing for gedgen. Both "--name value" and "--name=value" work.
#include "command_line.h"

#include <charconv>

namespace kinsheet::gedgen {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: gedgen [OPTIONS]

Writes a synthetic GEDCOM 5.5.1 file: made-up people in families over up to
four generations, from several cultures, with the dates, places, notes and
sources that real files contain. The same options always give the same bytes.

Options:
  --people N          number of individuals (INDI records), exactly; default 1000
  --seed S            seed of the random choices (0 to 2^64-1); default 1
  --line-ends E       lf (default), crlf or cr
  --encoding C        utf8 (default), utf8-bom (UTF-8 with a byte-order mark),
                      cp1252 (Windows-1252, CHAR ANSI), ascii, ansel (CHAR
                      ANSEL, accents written before their letters), utf16le
                      or utf16be (with a byte-order mark, CHAR UNICODE)
  --non-ascii         names and places in their own spelling: German, Polish,
                      Czech, Japanese, emoji and more; in cp1252 only what it
                      can hold (Polish, Czech and Japanese names it cannot fall
                      back to ASCII spellings, emoji are dropped; in ansel the
                      Latin letters and accents ANSEL has, the rest in ASCII
                      spelling); not with ascii
  -o, --output FILE   write to FILE instead of standard output ("-": stdout)
  -h, --help          show this text

The file holds HEAD (with CHAR naming the encoding) and SUBM, all INDI
records, then all FAM records, NOTE records, SOUR and REPO records, and TRLR.
Individuals are @I1@ .. @IN@, families @F1@ .., notes @N<person>@, sources
@S1@ .., repositories @R1@ ... Without --non-ascii every byte is ASCII.

Examples:
  gedgen --people 100000 --seed 7 -o big.ged
  gedgen --people 50 --encoding cp1252 --non-ascii --line-ends crlf > small.ged
)";

bool ParseNumber(std::string_view text, std::uint64_t& out) {
  if (text.empty()) return false;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

CommandLine Error(std::string message) {
  CommandLine c;
  c.action = CommandLine::Action::kError;
  c.error = std::move(message);
  return c;
}

}  // namespace

std::string_view HelpText() { return kHelp; }

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine c;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::string_view value;
    bool has_value = false;
    if (name.starts_with("--")) {
      const std::size_t eq = name.find('=');
      if (eq != std::string_view::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        has_value = true;
      }
    }
    auto take_value = [&]() -> bool {
      if (has_value) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };

    if (name == "-h" || name == "--help") {
      c.action = CommandLine::Action::kHelp;
      return c;
    } else if (name == "--non-ascii") {
      if (has_value) return Error("--non-ascii takes no value");
      c.options.non_ascii = true;
    } else if (name == "--people" || name == "--seed") {
      if (!take_value()) return Error(std::string(name) + " needs a number");
      std::uint64_t n;
      if (!ParseNumber(value, n)) {
        return Error(std::string(name) +
                     ": not a number: " + std::string(value));
      }
      (name == "--people" ? c.options.people : c.options.seed) = n;
    } else if (name == "--line-ends") {
      if (!take_value()) return Error("--line-ends needs lf, crlf or cr");
      if (value == "lf") {
        c.options.line_end = LineEnd::kLf;
      } else if (value == "crlf") {
        c.options.line_end = LineEnd::kCrLf;
      } else if (value == "cr") {
        c.options.line_end = LineEnd::kCr;
      } else {
        return Error("--line-ends: expected lf, crlf or cr, not " +
                     std::string(value));
      }
    } else if (name == "--encoding") {
      if (!take_value())
        return Error("--encoding needs utf8, utf8-bom, cp1252, ascii, ansel, utf16le or utf16be");
      if (value == "utf8") {
        c.options.encoding = Encoding::kUtf8;
      } else if (value == "utf8-bom") {
        c.options.encoding = Encoding::kUtf8Bom;
      } else if (value == "cp1252") {
        c.options.encoding = Encoding::kCp1252;
      } else if (value == "ascii") {
        c.options.encoding = Encoding::kAscii;
      } else if (value == "ansel") {
        c.options.encoding = Encoding::kAnsel;
      } else if (value == "utf16le") {
        c.options.encoding = Encoding::kUtf16Le;
      } else if (value == "utf16be") {
        c.options.encoding = Encoding::kUtf16Be;
      } else {
        return Error(
            "--encoding: expected utf8, utf8-bom, cp1252, ascii, ansel, utf16le or utf16be, not " +
            std::string(value));
      }
    } else if (name == "-o" || name == "--output") {
      if (!take_value() || value.empty())
        return Error(std::string(name) + " needs a file name");
      c.output = std::string(value);
    } else {
      return Error("unknown option: " + std::string(args[i]));
    }
  }
  if (c.options.non_ascii && c.options.encoding == Encoding::kAscii) {
    return Error("--non-ascii cannot be written with --encoding ascii");
  }
  return c;
}

}  // namespace kinsheet::gedgen
