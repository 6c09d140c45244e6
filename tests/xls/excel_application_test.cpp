// The automation stand-in: addresses, block writes at the sheet's end,
// formats, and the lifetime rules (closed workbooks, quit instances). The
// Excel export's own tests run the header pass and the reopened file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formats/xls/excel_application.h"
#include "formats/xls/xls_error.h"

namespace kinsheet::xls {
namespace {

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

TEST(ExcelApplication, BlocksFillTheRangeFromItsFirstCell) {
  ExcelApplication app;
  ExcelWorksheet& sheet = app.Workbooks().Add().ActiveSheet();
  CellBlock block(71, 41);  // larger than the range: only its corner is used
  block.at(0, 0) = u"M\u00FCller";
  block.at(1, 39) = u"last column";
  block.at(69, 1) = u"last row";
  block.at(70, 0) = u"outside the range";
  block.at(0, 40) = u"outside the range";
  sheet.Range("A3").Resize(70, 40).SetValue(block);
  const Worksheet& back = sheet.sheet();
  EXPECT_EQ(back.Text(2, 0), u"M\u00FCller");
  EXPECT_EQ(back.Text(3, 39), u"last column");
  EXPECT_EQ(back.Text(71, 1), u"last row");
  EXPECT_FALSE(back.HasCell(72, 0));
  EXPECT_FALSE(back.HasCell(2, 40));
  EXPECT_FALSE(back.HasCell(2, 1));  // empty texts make no cells
  EXPECT_EQ(back.RowCount(), 72u);

  // Past the last row only empty values may hang over.
  CellBlock edge(70, 40);
  edge.at(13, 0) = u"row 65536";
  sheet.Range("A65523").Resize(70, 40).SetValue(edge);
  EXPECT_EQ(back.Text(65535, 0), u"row 65536");
  edge.at(14, 0) = u"row 65537";
  EXPECT_THROW(sheet.Range("A65523").Resize(70, 40).SetValue(edge), XlsError);
  EXPECT_THROW(sheet.Range("A1").Resize(1, 300), XlsError);
  EXPECT_THROW(sheet.Range("A1").Resize(70, 40).SetValue(CellBlock(69, 40)), XlsError);
}

TEST(ExcelApplication, ClosedAndQuitObjectsRefuseWork) {
  const std::filesystem::path nowhere = std::filesystem::temp_directory_path() / "kinsheet-no-such-folder";
  ExcelApplication app;
  EXPECT_THROW(app.ActiveWorkbook(), XlsError);
  ExcelWorkbook& first = app.Workbooks().Add();
  EXPECT_THROW(first.Save(), XlsError);  // never named
  ExcelWorkbook& second = app.Workbooks().Add();
  EXPECT_EQ(&app.ActiveWorkbook(), &second);
  second.Close(false);
  EXPECT_EQ(&app.ActiveWorkbook(), &first);
  EXPECT_THROW(second.ActiveSheet(), XlsError);
  EXPECT_THROW(app.Workbooks().Open((nowhere / "missing.xls").string()), XlsError);
  EXPECT_THROW(first.SaveAs((nowhere / "x.xls").string()), XlsError);
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
