// WriteAccessDatabase through the recording window services: the order of
// what the user sees, the template check, and the failure path.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/writers.h"
#include "formats/jet/database_reader.h"
#include "formats/jet/text_codec.h"
#include "support/fixtures.h"

namespace kinsheet {
namespace {

namespace fs = std::filesystem;

std::string People(int count, const std::string& nick_of_last = "") {
  std::vector<std::string> lines = {"0 HEAD", "1 CHAR UTF-8"};
  for (int i = 1; i <= count; ++i) {
    lines.push_back("0 @I" + std::to_string(i) + "@ INDI");
    lines.push_back("1 NAME Person" + std::to_string(i) + " /Family/");
    if (i == count && !nick_of_last.empty()) lines.push_back("2 NICK " + nick_of_last);
  }
  lines.push_back("0 TRLR");
  return testing::Ged(lines);
}

class AccessWriter : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    for (const char* name : {"Kinsheet95.mdb", "Kinsheet2K.mdb"}) {
      fs::copy_file(std::string(KINSHEET_BIN_DIR) + "/" + name, session_.dir.File(name));
    }
  }
  std::string Template() const { return std::string(GetParam()) == "95" ? "Kinsheet95.mdb" : "Kinsheet2K.mdb"; }
  // Loads `ged`, ticks `boxes` (all when empty) and writes out.mdb.
  bool Write(const std::string& ged, std::initializer_list<int> boxes = {}) {
    session_.Load(ged);
    if (boxes.size() == 0) {
      session_.TickAll();
    } else {
      session_.Tick(boxes);
    }
    session_.state.current_file_name = session_.dir.File("out.mdb");
    session_.ws.calls.clear();
    session_.ws.progress_steps = 0;
    return WriteAccessDatabase(session_.state, session_.ws, GetParam());
  }
  std::vector<std::string> CallsWithout(const std::string& prefix) const {
    std::vector<std::string> calls;
    for (const std::string& c : session_.ws.calls) {
      if (c.rfind(prefix, 0) != 0) calls.push_back(c);
    }
    return calls;
  }

  testing::Session session_;
};

TEST_P(AccessWriter, StepsInOrderWithProgressPast100People) {
  const std::string out = session_.dir.File("out.mdb");
  for (int count : {100, 101}) {
    ASSERT_TRUE(Write(People(count), {0}));
    std::vector<std::string> expected = {"Busy", "Status:One moment please...", "Status:Creating " + out + "...",
                                         "DoEvents"};
    if (count > 100) expected.insert(expected.end(), {"ProgressMax:101", "ProgressShown"});
    // Hidden all the same.
    expected.insert(expected.end(), {"ProgressHidden", "NotBusy", "Status:" + out,
                                     "Message:" + out + " created. Do you wish to view it now?"});
    EXPECT_EQ(session_.ws.calls, expected) << count;
    EXPECT_EQ(session_.ws.progress_steps, count > 100 ? 102 : 0) << count;  // 0, then once per person
  }
  EXPECT_EQ(session_.ws.progress_value, 101);
  const MessageBoxRequest& question = session_.ws.messages.back();
  EXPECT_EQ(question.icon, MsgIcon::kQuestion);
  EXPECT_EQ(question.buttons, MsgButtons::kYesNo);
  EXPECT_EQ(question.default_button, 2);
  jet::DatabaseReader reader(out);
  EXPECT_EQ(reader.format().version, std::string(GetParam()) == "95" ? 3 : 4);
  const jet::TableShape shape = reader.Table(*reader.FindObject(u"tblKinsheet"));
  EXPECT_EQ(shape.row_count, 101u);
  ASSERT_EQ(shape.columns.size(), 1u);
  EXPECT_EQ(shape.columns[0].name, u"Surname");
}

TEST_P(AccessWriter, MissingTemplateChangesNothing) {
  fs::remove(session_.dir.File(Template()));
  EXPECT_FALSE(Write(People(3)));
  EXPECT_EQ(session_.ws.calls, (std::vector<std::string>{
                                   "Message:MS Access workfile missing. Cannot create dB. \nPlease reinstall Kinsheet."}));
  EXPECT_EQ(session_.ws.messages.back().icon, MsgIcon::kNone);
  EXPECT_EQ(session_.ws.messages.back().buttons, MsgButtons::kOk);
  EXPECT_EQ(session_.ws.messages.back().title, kAppTitle);
  EXPECT_FALSE(fs::exists(session_.dir.File("out.mdb")));
}

TEST_P(AccessWriter, FailureShowsTheErrorAndRestoresTheWindow) {
  ASSERT_FALSE(Write(People(150, std::string(61, 'n'))));
  const std::vector<std::string> calls = CallsWithout("Status:Creating");
  ASSERT_GE(calls.size(), 4u);
  const std::vector<std::string> tail(calls.end() - 4, calls.end());
  EXPECT_EQ(tail[1], "ProgressHidden");
  EXPECT_EQ(tail[2], "NotBusy");
  // The status bar says what happened, not what was under way.
  EXPECT_EQ(tail[3], "Status:Not saved: " + session_.state.current_file_name);
  EXPECT_EQ(tail[0].rfind("Message:Error occurred while creating dB: \nThe field 'Nick' is too small", 0), 0u)
      << tail[0];
  EXPECT_EQ(session_.ws.messages.back().icon, MsgIcon::kExclamation);
  EXPECT_EQ(session_.ws.messages.size(), 1u);  // no completion question
  EXPECT_FALSE(session_.ws.busy);
  EXPECT_FALSE(session_.ws.progress_visible);
  EXPECT_NE(session_.ws.status, session_.dir.File("out.mdb"));
  // The failure names the chosen file, and nothing of the unfinished
  // database is left behind.
  EXPECT_FALSE(std::filesystem::exists(session_.dir.File("out.mdb")));
  EXPECT_TRUE(testing::LeftTemporaries(session_.dir.path()).empty());
}

// Places of 100 characters: letters of the Basic Multilingual Plane fit
// the 120 of the field whole; 100 letters outside it take 200 UTF-16 units
// and keep 60 of them, whole, in both formats (Jet 3 writes each as "?").
TEST_P(AccessWriter, PlacesOfLettersOutsideTheBasicPlaneFitTheField) {
  std::string astral, cjk;
  for (int i = 0; i < 100; ++i) {
    astral += "\xF0\xA0\x80\x8B";  // U+2000B
    cjk += "\xE6\x9D\xB1";          // U+6771
  }
  ASSERT_TRUE(Write(testing::Ged({"0 @I1@ INDI", "1 BIRT", "2 PLAC " + astral, "0 @I2@ INDI", "1 BIRT",
                                  "2 PLAC " + cjk}),
                    {7}));
  jet::DatabaseReader reader(session_.dir.File("out.mdb"));
  std::vector<std::u16string> places;
  reader.ForEachRow(*reader.FindObject(u"tblKinsheet"), [&](const std::vector<jet::Cell>& cells) {
    places.push_back(jet::DecodeText(reader.format(), cells.at(0).bytes));
  });
  ASSERT_EQ(places.size(), 2u);
  const bool jet3 = std::string(GetParam()) == "95";
  std::u16string want_astral;
  for (int i = 0; i < 60; ++i) want_astral += jet3 ? u"?" : u"\U0002000B";
  EXPECT_EQ(places[0], want_astral);
  EXPECT_EQ(places[1], jet3 ? std::u16string(100, u'?') : std::u16string(100, u'\u6771'));
}

INSTANTIATE_TEST_SUITE_P(Formats, AccessWriter, ::testing::Values("2K", "95"),
                         [](const auto& info) { return std::string(info.param) == "95" ? "Jet3" : "Jet4"; });

}  // namespace
}  // namespace kinsheet
