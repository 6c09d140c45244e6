// The automation stand-in: addresses, the header-pass calls and their
// effect on the saved file, block writes at the sheet's end, and the
// lifetime rules (closed workbooks, quit instances).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formats/xls/excel_application.h"
#include "formats/xls/xls_error.h"

namespace kinsheet::xls {
namespace {

class TempFolder {
 public:
  TempFolder() : path_(std::filesystem::temp_directory_path() / ("kinsheet_app_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

TEST(CellAddress, CellsRangesAndColumns) {
  EXPECT_EQ(ParseAddress("A1"), (CellRect{0, 0, 1, 1}));
  EXPECT_EQ(ParseAddress("Z3"), (CellRect{2, 25, 1, 1}));
  EXPECT_EQ(ParseAddress("AA1"), (CellRect{0, 26, 1, 1}));
  EXPECT_EQ(ParseAddress("AN1"), (CellRect{0, 39, 1, 1}));
  EXPECT_EQ(ParseAddress("IV65536"), (CellRect{65535, 255, 1, 1}));
  EXPECT_EQ(ParseAddress("a:a"), (CellRect{0, 0, kMaxRows, 1}));
  EXPECT_EQ(ParseAddress("AN:AN"), (CellRect{0, 39, kMaxRows, 1}));
  EXPECT_EQ(ParseAddress("C:E"), (CellRect{0, 2, kMaxRows, 3}));
  EXPECT_EQ(ParseAddress("B2:C5"), (CellRect{1, 1, 4, 2}));
  for (const char* bad : {"", "1", "A", "A0", "IW1", "A65537", "A1B", "B:A", "C5:B2", "A1:"})
    EXPECT_THROW(ParseAddress(bad), XlsError) << bad;
}

TEST(ExcelApplication, HeaderCallsFormatCaptionAndColumn) {
  TempFolder dir;
  ExcelApplication app;
  app.Workbooks().Add();
  app.SetScreenUpdating(false);
  EXPECT_FALSE(app.ScreenUpdating());
  for (const auto& [letters, caption, width] :
       {std::tuple{"A", u"INDI_ID", 10}, std::tuple{"B", u"FullName", 40}}) {
    app.Range(std::string(letters) + "1").Select();
    app.ActiveCell().SetFormulaR1C1(caption);
    const std::string col = std::string(letters) + ":" + letters;
    app.Columns(col).SetColumnWidth(static_cast<std::int16_t>(width));
    app.Columns(col).SetNumberFormat(u"@");
    ExcelFont font = app.Selection().Font();
    font.SetName(u"Arial");
    font.SetFontStyle(u"Bold");
    font.SetSize(10);
  }
  const std::string path = dir.File("header.xls");
  app.ActiveWorkbook().SaveAs(path);
  app.ActiveWorkbook().Close(false);
  app.Quit();

  const Workbook saved = Workbook::Open(path);
  const Worksheet& sheet = saved.sheet(0);
  EXPECT_EQ(sheet.name(), u"Sheet1");
  EXPECT_EQ(sheet.Text(0, 0), u"INDI_ID");
  EXPECT_EQ(sheet.Text(0, 1), u"FullName");
  const CellFormat caption{.font_name = u"Arial", .font_height = 200, .bold = true, .number_format = u"@"};
  EXPECT_EQ(sheet.Format(0, 0), caption);
  EXPECT_EQ(sheet.Format(0, 1), caption);
  EXPECT_EQ(sheet.ColumnFormat(1), CellFormat{.number_format = u"@"});
  EXPECT_EQ(sheet.ColumnWidth(0), 10.0);
  EXPECT_EQ(sheet.ColumnWidth(1), 40.0);
  EXPECT_EQ(sheet.ColumnWidth(2), std::nullopt);
  EXPECT_EQ(sheet.RowCount(), 1u);
}

TEST(ExcelApplication, OpenReadsTheFileAndBlocksFillFromTheFirstCell) {
  TempFolder dir;
  const std::string path = dir.File("data.xls");
  {
    ExcelApplication app;
    app.Workbooks().Add();
    app.Range("A1").Select();
    app.ActiveCell().SetFormulaR1C1(u"Surname");
    app.Columns("A:A").SetNumberFormat(u"@");
    app.ActiveWorkbook().SaveAs(path);
    app.Quit();
  }
  ExcelApplication app;
  ExcelWorkbook& book = app.Workbooks().Open(path);
  ExcelWorksheet& sheet = book.ActiveSheet();
  EXPECT_EQ(sheet.sheet().Text(0, 0), u"Surname");
  CellBlock block(71, 41);  // larger than the range: only its corner is used
  block.at(0, 0) = u"M\u00FCller";
  block.at(1, 0) = u"\u5C71\u7530";
  block.at(1, 39) = u"last column";
  block.at(69, 1) = u"last row";
  block.at(70, 0) = u"outside the range";
  block.at(0, 40) = u"outside the range";
  sheet.Range("A3").Resize(70, 40).SetValue(block);
  app.ActiveWorkbook().Save();
  app.ActiveWorkbook().Close(false);
  app.Quit();

  const Workbook saved = Workbook::Open(path);
  const Worksheet& back = saved.sheet(0);
  EXPECT_EQ(back.Text(2, 0), u"M\u00FCller");
  EXPECT_EQ(back.Text(3, 0), u"\u5C71\u7530");
  EXPECT_EQ(back.Text(3, 39), u"last column");
  EXPECT_EQ(back.Text(71, 1), u"last row");
  EXPECT_EQ(back.Format(2, 0).number_format, u"@");  // new cells follow their column
  EXPECT_FALSE(back.HasCell(72, 0));
  EXPECT_FALSE(back.HasCell(2, 40));
  EXPECT_FALSE(back.HasCell(2, 1));  // empty texts make no cells
  EXPECT_EQ(back.RowCount(), 72u);
}

TEST(ExcelApplication, BlocksMayOverhangTheLastRowOnlyWhenEmpty) {
  ExcelApplication app;
  ExcelWorksheet& sheet = app.Workbooks().Add().ActiveSheet();
  CellBlock block(70, 40);
  block.at(13, 0) = u"row 65536";
  sheet.Range("A65523").Resize(70, 40).SetValue(block);
  EXPECT_EQ(sheet.sheet().Text(65535, 0), u"row 65536");
  block.at(14, 0) = u"row 65537";
  EXPECT_THROW(sheet.Range("A65523").Resize(70, 40).SetValue(block), XlsError);
  EXPECT_THROW(sheet.Range("A1").Resize(1, 300), XlsError);
  EXPECT_THROW(sheet.Range("A1").Resize(70, 40).SetValue(CellBlock(69, 40)), XlsError);
}

TEST(ExcelApplication, ClosedAndQuitObjectsRefuseWork) {
  TempFolder dir;
  ExcelApplication app;
  EXPECT_THROW(app.ActiveWorkbook(), XlsError);
  ExcelWorkbook& first = app.Workbooks().Add();
  EXPECT_THROW(first.Save(), XlsError);  // never named
  ExcelWorkbook& second = app.Workbooks().Add();
  EXPECT_EQ(&app.ActiveWorkbook(), &second);
  second.Close(false);
  EXPECT_EQ(&app.ActiveWorkbook(), &first);
  EXPECT_THROW(second.ActiveSheet(), XlsError);
  EXPECT_THROW(app.Workbooks().Open(dir.File("missing.xls")), XlsError);
  EXPECT_THROW(first.SaveAs(dir.File("no/such/folder.xls")), XlsError);
  app.Quit();
  EXPECT_THROW(app.Workbooks(), XlsError);
  EXPECT_THROW(app.Range("A1"), XlsError);
  EXPECT_THROW(first.ActiveSheet(), XlsError);
}

TEST(ExcelApplication, FontAndFormatChangesKeepEachOther) {
  ExcelApplication app;
  ExcelWorksheet& sheet = app.Workbooks().Add().ActiveSheet();
  sheet.Range("B2:C3").Select();
  app.Selection().Font().SetFontStyle(u"Bold Italic");
  app.Selection().Font().SetSize(12);
  app.Selection().SetNumberFormat(u"0.00");
  const CellFormat expected{.font_height = 240, .bold = true, .italic = true, .number_format = u"0.00"};
  EXPECT_EQ(sheet.sheet().Format(2, 2), expected);
  EXPECT_EQ(sheet.sheet().Format(0, 0), CellFormat{});
  EXPECT_THROW(app.Selection().Font().SetFontStyle(u"Heavy"), XlsError);
  EXPECT_THROW(app.Selection().Font().SetSize(0), XlsError);
  EXPECT_THROW(app.Columns("A1"), XlsError);
}

}  // namespace
}  // namespace kinsheet::xls
