// The preview's core: folding for search and sort, the sort keys, the
// rows of a PreviewTable against the CSV export, an export in a given row
// order, and the browser's page in words.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/export_driver.h"
#include "export/preview.h"
#include "export/writers.h"
#include "support/fixtures.h"
#include "text/fold.h"

namespace kinsheet::testing {
namespace {

TEST(FoldForSearch, CaseAndAccentsAside) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c : {Case{"ABC def", "abc def"}, Case{"M\xC3\xBCller", "muller"}, Case{"\xC3\x89IRE", "eire"},
                        Case{"Stra\xC3\x9F" "e", "strasse"}, Case{"M\xFCller", "muller"},  // Windows-1252
                        Case{"\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82odz"},  // Ł has no decomposition
                        Case{"", ""}, Case{"[Zz]", "[zz]"}}) {
    EXPECT_EQ(text::FoldForSearch(c.in), c.out) << c.in;
  }
}

TEST(PreviewSortKey, EmptyThenNumbersThenText) {
  struct Case {
    int position;
    const char* low;
    const char* high;
  };
  // Column 10 is the birth date, 28 the count of children, 3 the surname.
  for (const Case& c : {Case{10, "", "1 JAN 1700"}, Case{10, "ABT 950", "1850"}, Case{10, "12 MAR 1850", "1851"},
                        Case{10, "1900", "unknown"}, Case{28, "9", "10"}, Case{28, "0", "1"}, Case{3, "", "Adams"},
                        Case{3, "adams", "Baker"}, Case{3, "\xC3\x89vans", "Fox"}, Case{3, "99", "Abel"}}) {
    EXPECT_TRUE(MakePreviewSortKey(c.position, c.low) < MakePreviewSortKey(c.position, c.high))
        << c.position << ": " << c.low << " < " << c.high;
    EXPECT_FALSE(MakePreviewSortKey(c.position, c.high) < MakePreviewSortKey(c.position, c.low));
  }
}

TEST(PageRangeText, GroupedByThousands) {
  EXPECT_EQ(PageRangeText(21, 40, 4578), "people 21\xE2\x80\x93" "40 of 4,578");
  EXPECT_EQ(PageRangeText(999981, 1000000, 1000000), "people 999,981\xE2\x80\x93" "1,000,000 of 1,000,000");
  for (auto [n, text] : {std::pair{0, "0"}, {999, "999"}, {1000, "1,000"}, {100000, "100,000"}, {-1234, "-1,234"}}) {
    EXPECT_EQ(GroupedNumber(n), text);
  }
}

// The CSV's data lines, without the caption line.
std::vector<std::string> CsvRows(const Session& s, const std::string& name) {
  std::vector<std::string> lines = CrLfLines(ReadBytes(s.dir.File(name)));
  lines.erase(lines.begin());
  return lines;
}

std::string CsvLine(PreviewTable& table, std::int32_t row) {
  std::string line;
  for (std::size_t c = 0; c < table.columns().size(); ++c) {
    line += "\"" + table.Cell(row, static_cast<int>(c)) + "\",";
  }
  line.pop_back();
  return line;
}

TEST(PreviewTable, RowsAreTheExportsAndAnOrderIsExportedAsShown) {
  Session s;
  ASSERT_EQ(s.Load(People(300, "Sur")), LoadOutcome::kLoaded);
  s.Tick({0, 1, 6, 16, 20, 21});
  for (LivingMode mode : {LivingMode::kInclude, LivingMode::kExclude}) {
    s.state.living.mode = mode;
    s.state.living.current_year = 1990;  // some born in 1800 + i % 150 are "living"
    PreviewTable table(s.state, s.ws);
    table.Reload();
    ASSERT_TRUE(s.Export(3, "all.csv"));
    const std::vector<std::string> csv = CsvRows(s, "all.csv");
    ASSERT_EQ(static_cast<std::size_t>(table.RowCount()), csv.size());
    for (std::int32_t r = 0; r < table.RowCount(); ++r) ASSERT_EQ(CsvLine(table, r), csv[static_cast<std::size_t>(r)]);

    // Sorted by birth date descending, then searched: the export of the
    // shown rows is exactly those lines in that order.
    ASSERT_TRUE(table.Sort(10, false));
    ASSERT_TRUE(table.Search("given1"));
    ASSERT_GT(table.RowCount(), 10);
    std::vector<std::string> shown;
    for (std::int32_t r = 0; r < table.RowCount(); ++r) shown.push_back(CsvLine(table, r));
    const int birth = static_cast<int>(std::find_if(table.columns().begin(), table.columns().end(),
                                                    [](const ExportColumn* c) { return c->position == 10; }) -
                                       table.columns().begin());
    for (std::int32_t r = 1; r < table.RowCount(); ++r) {
      EXPECT_GE(MakePreviewSortKey(10, table.Cell(r - 1, birth)).number,
                MakePreviewSortKey(10, table.Cell(r, birth)).number);
    }
    s.state.export_rows = table.shown();
    ASSERT_TRUE(s.Export(3, "shown.csv"));
    EXPECT_EQ(CsvRows(s, "shown.csv"), shown);
    s.state.export_rows.reset();
  }
}

TEST(PreviewTable, TheBoxesChangeTheColumnsAndASortByAGoneColumnEnds) {
  Session s;
  ASSERT_EQ(s.Load(People(40, "Sur")), LoadOutcome::kLoaded);
  s.Tick({0, 1, 6});
  PreviewTable table(s.state, s.ws);
  table.Reload();
  ASSERT_TRUE(table.Sort(10, false));
  ASSERT_TRUE(table.Search("given2"));
  const std::int32_t found = table.RowCount();
  DeselectAll(s.state, s.ws);
  s.Tick({0, 1});
  table.ColumnsChanged();
  ASSERT_EQ(table.columns().size(), 2u);
  EXPECT_EQ(table.sort_position(), 0);
  EXPECT_EQ(table.RowCount(), found);
  EXPECT_TRUE(std::is_sorted(table.shown().begin(), table.shown().end()));
  // The search now looks at the columns shown only.
  DeselectAll(s.state, s.ws);
  s.Tick({6});
  table.ColumnsChanged();
  EXPECT_EQ(table.RowCount(), 0);
}

TEST(ExportRows, TheXlsRefusalCountsTheRowsToBeWritten) {
  Session s;
  ASSERT_EQ(s.Load(People(5, "Sur")), LoadOutcome::kLoaded);
  s.state.living_plan.rows = 70000;
  EXPECT_EQ(PeopleRowCount(s.state), 70000);
  s.state.export_rows = std::vector<std::int32_t>{3, 1};
  EXPECT_EQ(PeopleRowCount(s.state), 2);
  const std::string refusal = ExcelWorkbookRefusal(65535);
  EXPECT_EQ(refusal.rfind("Too many people for .xls", 0), 0u) << refusal;
  EXPECT_NE(refusal.find(".xlsx"), std::string::npos);
}

}  // namespace
}  // namespace kinsheet::testing
