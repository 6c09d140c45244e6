#include <gtest/gtest.h>

#include "state/commands.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

// The lines of one person after "0 @In@ INDI", and the person's CSV row with
// the full name, surname, given name and suffix ticked.
struct NameCase {
  const char* what;
  std::vector<std::string> lines;
  const char* row;
};

const NameCase kNameCases[] = {
    // Surname first: the text after the surname is the given name.
    {"Japanese", {"1 NAME /田中/ 春子"}, R"("田中  春子","田中","春子","")"},
    {"Chinese", {"1 NAME /毛/ 泽东"}, R"("毛  泽东","毛","泽东","")"},
    {"Korean", {"1 NAME /김/ 민준"}, R"("김  민준","김","민준","")"},
    {"Hungarian", {"1 NAME /Kovács/ János"}, R"("Kovács  János","Kovács","János","")"},
    {"spaces between", {"1 NAME   /Kovács/   János  "}, R"("Kovács    János","Kovács","János","")"},
    {"GIVN wins over the split", {"1 NAME /Kovács/ János", "2 GIVN János Péter"},
     R"("Kovács  János","Kovács","János Péter","")"},
    {"surname first with NSFX", {"1 NAME /Kovács/ János", "2 NSFX ifj."},
     R"("Kovács  János","Kovács","János","ifj.")"},
    {"SURN and GIVN both", {"1 NAME /田中/ 春子", "2 SURN Tanaka", "2 GIVN Haruko"},
     R"("田中  春子","Tanaka","Haruko","")"},
    // Given name first: the text after the surname is the suffix.
    {"suffix", {"1 NAME William Jefferson /Blythe/ II"},
     R"("William Jefferson  Blythe  II","Blythe","William Jefferson","II")"},
    {"NSFX wins over the split", {"1 NAME William Jefferson /Blythe/ II", "2 NSFX III"},
     R"("William Jefferson  Blythe  II","Blythe","William Jefferson","III")"},
    {"GIVN keeps the split suffix", {"1 NAME William Jefferson /Blythe/ II", "2 GIVN William"},
     R"("William Jefferson  Blythe  II","Blythe","William","II")"},
    {"GIVN and NSFX", {"1 NAME John /Smith/ Jr", "2 GIVN Johann", "2 NSFX Sr"},
     R"("John  Smith  Jr","Smith","Johann","Sr")"},
    {"NSFX alone", {"1 NAME John /Smith/", "2 NSFX Jr"}, R"("John  Smith","Smith","John","Jr")"},
    {"empty surname", {"1 NAME John // Jr"}, R"("John    Jr","","John","Jr")"},
    {"second NAME fills nothing", {"1 NAME John /Smith/ Jr", "1 NAME Jack /Jones/ Sr"},
     R"("John  Smith  Jr","Smith","John","Jr")"},
    {"second NAME after NSFX", {"1 NAME John /Smith/", "2 NSFX Jr", "1 NAME John /Smith/ Sr"},
     R"("John  Smith","Smith","John","Jr")"},
    // As before.
    {"plain", {"1 NAME John /Smith/"}, R"("John  Smith","Smith","John","")"},
    {"no slashes", {"1 NAME John Smith"}, R"("John Smith","","John Smith","")"},
    {"surname only", {"1 NAME   /Smith/  "}, R"("Smith","Smith","","")"},
    {"both empty", {"1 NAME //"}, R"("","","","")"},
    {"more slashes", {"1 NAME Gerald R/Jr/Ford/"}, R"("Gerald R Jr Ford","Jr","Gerald R","")"},
    {"more slashes, surname first", {"1 NAME /Smith/ Ann /x/"}, R"("Smith  Ann  x","Smith","","")"},
};

TEST(NameParts, AfterTheSurnameGivenOrSuffix) {
  std::vector<std::string> lines = {"0 HEAD", "1 CHAR UTF-8"};
  int n = 0;
  for (const NameCase& c : kNameCases) {
    lines.push_back("0 @I" + std::to_string(++n) + "@ INDI");
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
  }
  Session s;
  ASSERT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  DeselectAll(s.state, s.ws);
  s.Tick({0, 1, 3, 25});
  ASSERT_TRUE(s.Export(3, "names.csv"));
  const auto rows = CrLfLines(ReadBytes(s.dir.File("names.csv")));
  ASSERT_EQ(rows.size(), std::size(kNameCases) + 1);
  EXPECT_EQ(rows[0], R"("FullName","Surname","Given","Suffix")");
  for (std::size_t i = 0; i < std::size(kNameCases); ++i) {
    EXPECT_EQ(rows[i + 1], kNameCases[i].row) << kNameCases[i].what;
  }
}

}  // namespace
}  // namespace kinsheet::testing
