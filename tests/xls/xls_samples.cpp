// Writes sample workbooks for the independent readers, each with the
// values it must show (NAME.csv, UTF-8, every value quoted).
//   xls_samples OUTPUT_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "formats/xls/workbook.h"
#include "formats/xls/xls_error.h"
#include "text/encoding.h"

namespace {

using kinsheet::text::DecodeText;
using kinsheet::text::Utf16ToUtf8;
using kinsheet::xls::CellFormat;
using kinsheet::xls::Workbook;
using kinsheet::xls::Worksheet;

struct Caption {
  const char* text;
  int width;
};

// The full header of the Excel export, with the widths it uses.
const std::vector<Caption> kAllCaptions = {
    {"INDI_ID", 10}, {"FullName", 40}, {"Surname", 16}, {"Given", 20}, {"Suffix", 10},
    {"Prefix", 10}, {"Title", 12}, {"Nick", 12}, {"Sex", 3}, {"Birth", 11},
    {"Birth place", 30}, {"Christened", 11}, {"Christened place", 30}, {"Death", 11},
    {"Death place", 30}, {"Burial", 11}, {"Burial place", 30}, {"FAMC_ID", 10},
    {"Father_ID", 10}, {"Father", 30}, {"Mother_ID", 10}, {"Mother", 30},
    {"FAMS_ID 1", 10}, {"Spouse_ID 1", 10}, {"Spouse 1", 30}, {"Marriage 1", 11},
    {"Marriage place 1", 30}, {"#Ch 1", 3}, {"FAMS_ID 2", 10}, {"Spouse_ID 2", 10},
    {"Spouse 2", 30}, {"Marriage 2", 11}, {"Marriage place 2", 30}, {"#Ch 2", 3},
    {"FAMS_ID 3", 10}, {"Spouse_ID 3", 10}, {"Spouse 3", 30}, {"Marriage 3", 11},
    {"Marriage place 3", 30}, {"#Ch 3", 3}};

// A workbook laid out as the export lays it out, with the values it must
// show (UTF-8, row by row).
class Sample {
 public:
  Sample() : grid_(2) {  // row 2 stays empty
    Worksheet& sheet = book_.AddSheet(u"Sheet1");
    for (std::uint32_t c = 0; c < kAllCaptions.size(); ++c) {
      sheet.SetText(0, c, DecodeText(kAllCaptions[c].text));
      sheet.SetColumnWidth(c, kAllCaptions[c].width);
      sheet.SetColumnFormat(c, CellFormat{.number_format = u"@"});
      sheet.SetFormat(0, c, CellFormat{.bold = true, .number_format = u"@"});
      grid_[0].push_back(kAllCaptions[c].text);
    }
  }

  // Values as UTF-8 or Windows-1252 bytes, decoded the way GEDCOM text is.
  void AddRow(const std::vector<std::string>& values) {
    grid_.emplace_back();
    for (std::uint32_t c = 0; c < values.size(); ++c) {
      const std::u16string text = DecodeText(values[c]);
      book_.sheet(0).SetText(static_cast<std::uint32_t>(grid_.size() - 1), c, text);
      grid_.back().push_back(Utf16ToUtf8(text));
    }
  }

  std::size_t rows() const { return grid_.size(); }

  void Save(const std::filesystem::path& folder, const std::string& name) const {
    book_.Save(folder / (name + ".xls"));
    std::ofstream csv(folder / (name + ".csv"), std::ios::binary);
    for (const auto& row : grid_) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        csv << (c ? ",\"" : "\"");
        for (char ch : row[c]) csv << (ch == '"' ? "\"\"" : std::string(1, ch));
        csv << '"';
      }
      csv << "\r\n";
    }
  }

 private:
  Workbook book_;
  std::vector<std::vector<std::string>> grid_;
};

std::string Repeat(const std::string& unit, std::size_t times) {
  std::string s;
  for (std::size_t i = 0; i < times; ++i) s += unit;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: xls_samples OUTPUT_FOLDER\n";
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    std::filesystem::create_directories(out);

    Sample header;
    header.Save(out, "header_only");

    Sample unicode;
    unicode.AddRow({"I1", "Jürgen Müller", "Müller", "Jürgen", "", "", "Dr.", "", "M", "12 MAR 1890",
                    "Köln, Deutschland", "", "Łódź, Polska", "", "Zoë Ærø", "", "Œuvre – “quoted”",
                    "F1", "I2", "Straße Weiß", "I3", "Małgorzata Żółć", "F2", "I4", "山田 太郎",
                    "1 JAN 1920", "大阪, 日本", "007", "", "", "", "", "", "", "", "", "",
                    "", "São Paulo", "3"});
    unicode.AddRow({"I2", "Emoji 😀 family 👨‍👩‍👧", "𝔊othic", "", "", "", "", "", "F", "", "€ 100",
                    "", "tab\there", "", "comma, \"quote\"", "", "", "", "", "", "", "", "", "",
                    "", "", "", "0", "F9", "", "", "", "", "", "", "", "", "", "", ""});
    // Windows-1252 bytes (not valid UTF-8): 0xFC ü, 0x80 €, 0x8C Œ, 0xE9 é.
    unicode.AddRow({"I3", "M\xFC" "ller \x80 \x8C" "uvre", "Ren\xE9"});
    unicode.Save(out, "unicode");

    // Big enough for CONTINUE-split shared strings in both widths and for
    // a FAT that needs DIFAT sectors; it reaches the sheet's last row.
    Sample large;
    large.AddRow({Repeat("Łódź ", 2400), Repeat("Latin-1 filler ", 1200)});
    for (int r = 0; r < 12000; ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < 40; ++c) {
        if ((r + c) % 7 == 3) {
          row.push_back("");
        } else if (c == 1) {
          row.push_back("Person " + std::to_string(r) + (r % 3 == 0 ? " Żółć" : " Smith"));
        } else {
          row.push_back("v" + std::to_string(r) + "_" + std::to_string(c) + (c % 5 == 0 ? " 日本" : " text"));
        }
      }
      large.AddRow(row);
    }
    while (large.rows() < 65535) large.AddRow({});
    large.AddRow({"last row"});
    large.Save(out, "large");
  } catch (const std::exception& e) {
    std::cerr << "xls_samples: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
