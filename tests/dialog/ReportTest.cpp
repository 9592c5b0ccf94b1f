// The Report button through the real window: Report.htm from the two templates, and the shell.

#include <sys/stat.h>
#include <unistd.h>

#include "DialogFixture.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

const MeasurementEntry kRows[] = {
    // added in this order, so the list shows them bottom to top
    {"2006-01-03", "85.0", "106", "42", "36", "61", "99"}, {"2006-01-10", "84.2", "105", "42", "36", "61", "98"},
    {"2006-01-17", "83.9", "105", "41", "35", "60", "97"}, {"2006-01-24", "83.1", "104", "41", "35", "60", "97"},
    {"2006-01-31", "82.5", "104", "41", "35", "60", "96"},
};

class ReportTest : public DialogTest {
 protected:
  void AddFiveRows() {
    for (const MeasurementEntry& entry : kRows) AddEntry(entry);
  }
  int BoxesWith(const std::string& text, const std::string& caption) const {
    int count = 0;
    for (const auto& box : m_boxes) count += box.text == text && box.caption == caption && box.type == MB_OK;
    return count;
  }
};

TEST_F(ReportTest, RowsFillTheEntryTemplateInListOrderAndTheFormEndsOnTheBottomRow) {
  WriteFileBytes("ReportOutter.htm", "<table>\n#LINKS#</table>\n");
  WriteFileBytes("ReportInner.htm", "<tr><td>#DATE#</td><td>#WEIGHT#</td><td>#WAIST#</td></tr>\n");
  OpenMain();
  AddFiveRows();
  Type(IDC_WEIGHT, "typed");
  Click(IDC_REPORT);
  std::string expected = "<table>\r\n";
  for (int i = 4; i >= 0; --i)
    expected += "<tr><td>" + kRows[i][kDate] + "</td><td>" + kRows[i][kWeight] + "</td><td>" + kRows[i][kWaist] +
                "</td></tr>\r\n";
  expected += "</table>\r\n";
  EXPECT_EQ(ReadFileBytes("Report.htm"), expected);
  EXPECT_EQ(FormTexts(), std::vector<std::string>(kRows[0].begin(), kRows[0].end()));
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(Text(IDC_COUNT), "5");
}

TEST_F(ReportTest, EmptyListRemovesLinksAndLeavesTheForm) {
  WriteFileBytes("ReportOutter.htm", "a#LINKS#b#LINKS#c#DATE#");
  WriteFileBytes("ReportInner.htm", "[#DATE#]");
  OpenMain();
  Type(IDC_WEIGHT, "80");
  Click(IDC_REPORT);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "abc#DATE#");
  EXPECT_EQ(Text(IDC_WEIGHT), "80");
  EXPECT_EQ(m_opened.size(), 1u);
}

TEST_F(ReportTest, MissingTemplatesAreCreatedEmptyWithoutAMessage) {
  OpenMain();
  AddFiveRows();
  Click(IDC_REPORT);
  EXPECT_TRUE(m_boxes.empty());
  for (const char* name : {"ReportOutter.htm", "ReportInner.htm", "Report.htm"}) {
    ASSERT_TRUE(fs::is_regular_file(name)) << name;
    EXPECT_EQ(fs::file_size(name), 0u) << name;
  }
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
}

TEST_F(ReportTest, TemplatesAreReadInTextModeAndValuesCopiedAsTheyAre) {
  // Bare LF becomes CR LF, a lone CR stays, 0x1A ends a template; no escaping; a placeholder
  // inserted with an earlier value is filled by a later one, never the other way round.
  WriteFileBytes("ReportOutter.htm", "<p>\n#LINKS#\r\n</p>\x1a ignored #LINKS#");
  WriteFileBytes("ReportInner.htm", "#WEIGHT#|#DATE#|#date#|#Weight#\r");
  OpenMain();
  AddEntry({"#WEIGHT# <b>", "a<b>&c #DATE#", "", "", "", "", ""});
  Click(IDC_REPORT);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "<p>\r\na<b>&c #WEIGHT# <b>|#WEIGHT# <b>|#date#|#Weight#\r\r\n</p>");
}

TEST_F(ReportTest, TemplatesThatCannotBeOpenedAreShownPageFirstAndCountAsEmpty) {
  fs::create_directory("ReportOutter.htm");
  fs::create_directory("ReportInner.htm");
  OpenMain();
  AddFiveRows();
  Click(IDC_REPORT);
  ASSERT_EQ(m_boxes.size(), 2u);
  EXPECT_EQ(BoxesWith("Error loading file", "Error"), 2);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "");
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
}

TEST_F(ReportTest, OnlyTheEntryTemplateFailingStillGivesThePage) {
  WriteFileBytes("ReportOutter.htm", "<h1>Log</h1>#LINKS#");
  fs::create_directory("ReportInner.htm");
  OpenMain();
  AddFiveRows();
  Click(IDC_REPORT);
  EXPECT_EQ(BoxesWith("Error loading file", "Error"), 1);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "<h1>Log</h1>");
}

TEST_F(ReportTest, AReportThatCannotBeWrittenIsShownOnceAndTheEarlierOneStaysWhole) {
  WriteFileBytes("ReportOutter.htm", "#LINKS#");
  WriteFileBytes("ReportInner.htm", "#DATE#\n");
  fs::create_directory("Report.htm");  // not a file that can be replaced
  OpenMain();
  AddFiveRows();
  Click(IDC_REPORT);
  EXPECT_EQ(BoxesWith("Could not write to report file", "Error Log"), 1);
  EXPECT_EQ(m_boxes.size(), 1u);
  EXPECT_TRUE(fs::is_directory("Report.htm"));
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"}) << "the shell is asked all the same";
}

class ReportAsOrdinaryUser : public ReportTest {
 protected:
  void SetUp() override {
    if (geteuid() == 0) GTEST_SKIP() << "running as root, where file modes are not enforced";
    ReportTest::SetUp();
  }
};

TEST_F(ReportAsOrdinaryUser, ReadOnlyReportStaysUnchangedAndIsStillOpened) {
  WriteFileBytes("ReportOutter.htm", "#LINKS#");
  WriteFileBytes("ReportInner.htm", "#DATE#\n");
  WriteFileBytes("Report.htm", "the earlier report");
  ASSERT_EQ(chmod("Report.htm", 0444), 0);
  OpenMain();
  AddFiveRows();
  Click(IDC_REPORT);
  EXPECT_EQ(BoxesWith("Could not write to report file", "Error Log"), 1);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "the earlier report");
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
}

}  // namespace
