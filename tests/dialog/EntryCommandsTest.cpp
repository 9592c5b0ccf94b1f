// Add, Update, Remove, Clear, the date selection and the reversal of the row order.

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QTimer>

#include "DialogFixture.h"
#include "log/DateSelectDlg.h"

using namespace testing_support;

namespace {

const MeasurementEntry kA = {"2006-01-31", "82.5", "104", "41", "35", "60", "96"};
const MeasurementEntry kB = {"2006-02-07", "81.9", "103", "41", "35", "59", "95"};
const MeasurementEntry kC = {"2006-02-14", "81.0", "102", "40", "34", "59", "94"};

class EntryCommandsTest : public DialogTest {};

TEST_F(EntryCommandsTest, AddOnEmptyListAsksNothingAndGivesRowZero) {
  OpenMain();
  AddEntry(kA);
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(AllRows(), Rows{AsRow(kA)});
  EXPECT_EQ(Text(IDC_COUNT), "1");
  EXPECT_EQ(FormTexts(), AsRow(kA)) << "the form keeps the values just added";
}

TEST_F(EntryCommandsTest, SecondAddWithSameDateAsksAndYesAddsOnTop) {
  OpenMain();
  AddEntry(kA);
  m_answers.push_back(IDYES);
  Type(IDC_WEIGHT, "82.4");
  Click(IDC_ADD);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "This entry is already in the list.\r\nDo you really want to add this item?");
  EXPECT_EQ(m_boxes[0].caption, "girthminder");
  EXPECT_EQ(m_boxes[0].type & MB_TYPEMASK, MB_YESNO);
  EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
  EXPECT_TRUE(m_boxes[0].ownedByApp);
  MeasurementEntry newer = kA;
  newer[kWeight] = "82.4";
  EXPECT_EQ(AllRows(), (Rows{AsRow(newer), AsRow(kA)}));
  EXPECT_EQ(Text(IDC_COUNT), "2");
}

TEST_F(EntryCommandsTest, SecondAddAnsweredNoChangesNothing) {
  OpenMain();
  AddEntry(kA);
  m_answers.push_back(IDNO);
  Type(IDC_WEIGHT, "82.4");
  Click(IDC_ADD);
  EXPECT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(AllRows(), Rows{AsRow(kA)});
  EXPECT_EQ(Text(IDC_COUNT), "1");
  EXPECT_EQ(Text(IDC_WEIGHT), "82.4");
}

TEST_F(EntryCommandsTest, AddWithEmptyDateShowsErrorAndKeepsMeasurements) {
  OpenMain();
  AddEntry({"", "82.5", "104", "41", "35", "60", "96"});
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "Date Cannot be Blank.\r\nNo entry added.");
  EXPECT_EQ(m_boxes[0].caption, "Error");
  EXPECT_EQ(m_boxes[0].type, MB_OK);
  EXPECT_FALSE(m_boxes[0].ownedByApp);
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  EXPECT_EQ(Text(IDC_COUNT), "0");
  EXPECT_EQ(FormTexts(), (std::vector<std::string>{"", "82.5", "104", "41", "35", "60", "96"}));
}

TEST_F(EntryCommandsTest, NewEntriesGoOnTopWhateverTheirDateAndOnlyExactDatesAreDuplicates) {
  OpenMain();
  AddEntry(kB);
  AddEntry(kA);                                    // older date, still on top
  AddEntry({"2006-2-7", "", "", "", "", "", ""});  // the same day written differently: no question
  AddEntry({"2006-02-07 ", "", "", "", "", "", ""});
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(
      AllRows(),
      (Rows{{"2006-02-07 ", "", "", "", "", "", ""}, {"2006-2-7", "", "", "", "", "", ""}, AsRow(kA), AsRow(kB)}));
  EXPECT_EQ(Text(IDC_COUNT), "4");
}

TEST_F(EntryCommandsTest, UpdateChangesOnlyTheMarkedRowInPlaceWithoutAsking) {
  OpenMain();
  AddEntry(kA);
  AddEntry(kB);
  AddEntry(kC);
  ClickRow(2);
  Type(IDC_WEIGHT, "80.0");
  m_dialog->UpdateData(true);
  m_dialog->m_strDate = kC[kDate];  // another row's date: no question for Update
  m_dialog->UpdateData(false);
  Click(IDC_UPDATE);
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(AllRows(), (Rows{AsRow(kC), AsRow(kB), {"2006-02-14", "80.0", "104", "41", "35", "60", "96"}}));
  EXPECT_EQ(Text(IDC_COUNT), "3");
}

TEST_F(EntryCommandsTest, UpdateDoesNothingWithEmptyDateOrNoMark) {
  OpenMain();
  AddEntry(kA);
  Type(IDC_WEIGHT, "70");
  Click(IDC_UPDATE);  // no mark yet
  EXPECT_EQ(AllRows(), Rows{AsRow(kA)});
  ClickRow(0);
  Click(IDC_CLEAR);
  Type(IDC_WEIGHT, "70");
  Click(IDC_UPDATE);  // empty date
  EXPECT_EQ(AllRows(), Rows{AsRow(kA)});
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EntryCommandsTest, RemoveDeletesOnlyTheMarkedRowOfASelection) {
  CGirthminderDlg& dlg = OpenMain();
  AddEntry(kA);
  AddEntry(kB);
  AddEntry(kC);
  ClickRow(0);
  ClickRow(2, Qt::ControlModifier);  // two rows selected, the mark on the last one clicked
  ASSERT_TRUE(dlg.m_listLog.IsItemSelected(0));
  ASSERT_TRUE(dlg.m_listLog.IsItemSelected(2));
  Click(IDC_REMOVE);
  EXPECT_EQ(AllRows(), (Rows{AsRow(kC), AsRow(kB)}));
  EXPECT_EQ(Text(IDC_COUNT), "2");
  EXPECT_EQ(FormTexts(), AsRow(kA)) << "the form keeps the removed entry";
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EntryCommandsTest, RemoveOfTheOnlyRowLeavesItsValuesForAddToPutBack) {
  OpenMain();
  AddEntry(kA);
  Click(IDC_CLEAR);
  ClickRow(0);
  Click(IDC_REMOVE);
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  EXPECT_EQ(Text(IDC_COUNT), "0");
  EXPECT_EQ(FormTexts(), AsRow(kA));
  Click(IDC_REMOVE);  // no mark any more: nothing happens
  Click(IDC_ADD);
  EXPECT_EQ(AllRows(), Rows{AsRow(kA)});
}

TEST_F(EntryCommandsTest, ClearEmptiesTheFormAndLeavesListCountAndSelection) {
  CGirthminderDlg& dlg = OpenMain();
  AddEntry(kA);
  AddEntry(kB);
  ClickRow(1);
  Click(IDC_CLEAR);
  EXPECT_EQ(FormTexts(), std::vector<std::string>(7, ""));
  EXPECT_EQ(AllRows(), (Rows{AsRow(kB), AsRow(kA)}));
  EXPECT_EQ(Text(IDC_COUNT), "2");
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 1);
  EXPECT_TRUE(dlg.m_listLog.IsItemSelected(1));
}

// The date dialog, driven while it runs: pick a day (or none), then close it one way.
enum class DateClose {
  OkButton,          // a click on OK
  ReturnOnDialog,    // Return sent to the dialog
  ReturnOnCalendar,  // Return on the calendar's day grid, where the focus is
  KeypadEnterOnCalendar,
  Escape,
  CloseBox
};

struct DateCase {
  const char* name;
  int year, month, day;  // 0: leave the calendar on today
  DateClose close;
  const char* expected;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

class DateSelectTest : public DialogTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateSelectTest, TheSelectedDayBecomesTheFormsDate) {
  const DateCase& c = GetParam();
  m_now = LocalTime(2026, 12, 11, 15);
  OpenMain();
  m_dialog->m_strDate = "2001-01-01";  // the calendar opens on today all the same
  m_dialog->UpdateData(false);
  Type(IDC_WEIGHT, "82.5");
  QDate openedOn;
  bool stayedOpen = false;
  platform::SetModalHook([&](CDialog& dialog) {
    auto* calendar = dialog.Window()->Calendar(IDC_MONTHCALENDAR);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(dialog.Window()->windowTitle(), "Date Selection");
    openedOn = calendar->selectedDate();
    if (c.year) calendar->setSelectedDate(QDate(c.year, c.month, c.day));
    auto* days = calendar->findChild<QAbstractItemView*>();
    ASSERT_NE(days, nullptr);
    switch (c.close) {
      case DateClose::OkButton:
        QTest::mouseClick(dialog.Window()->Control(IDOK), Qt::LeftButton);
        break;
      case DateClose::ReturnOnDialog:
        QTest::keyClick(dialog.Window(), Qt::Key_Return);
        break;
      case DateClose::ReturnOnCalendar:
        QTest::keyClick(days, Qt::Key_Return);
        break;
      case DateClose::KeypadEnterOnCalendar:
        QTest::keyClick(days, Qt::Key_Enter, Qt::KeypadModifier);
        break;
      case DateClose::Escape:
        QTest::keyClick(dialog.Window(), Qt::Key_Escape);
        break;
      case DateClose::CloseBox:
        dialog.Window()->close();
        break;
    }
    // A key that did not end the dialog would leave it running for ever: end it late, and say so.
    QTimer::singleShot(500, dialog.Window(), [&] {
      stayedOpen = true;
      dialog.EndDialog(IDCANCEL);
    });
  });
  Click(IDC_SELECT);
  EXPECT_FALSE(stayedOpen) << "the date dialog did not end";
  EXPECT_EQ(openedOn, QDate(2026, 12, 11));
  EXPECT_EQ(Text(IDC_DATE), c.expected);
  EXPECT_EQ(Text(IDC_WEIGHT), "82.5");
  EXPECT_TRUE(m_boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Days, DateSelectTest,
    ::testing::Values(DateCase{"TodayOnOk", 0, 0, 0, DateClose::OkButton, "2026-12-11"},
                      DateCase{"TodayOnEscape", 0, 0, 0, DateClose::Escape, "2026-12-11"},
                      DateCase{"EscapeKeepsThePick", 2006, 3, 5, DateClose::Escape, "2006-03-05"},
                      DateCase{"CloseBoxKeepsThePick", 2006, 3, 5, DateClose::CloseBox, "2006-03-05"},
                      DateCase{"TwoDigitMonthOnReturn", 2006, 10, 1, DateClose::ReturnOnDialog, "2006-10-01"},
                      DateCase{"ReturnOnTheCalendar", 2006, 10, 2, DateClose::ReturnOnCalendar, "2006-10-02"},
                      DateCase{"KeypadEnterOnTheCalendar", 2006, 10, 3, DateClose::KeypadEnterOnCalendar, "2006-10-03"},
                      DateCase{"LastDayOfAYear", 2006, 12, 31, DateClose::OkButton, "2006-12-31"},
                      DateCase{"FirstDayOffered", 1900, 1, 1, DateClose::OkButton, "1900-01-01"},
                      DateCase{"PastTheYear2038", 2040, 2, 29, DateClose::OkButton, "2040-02-29"}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

TEST_F(DateSelectTest, CalendarOffersOnlyDaysWithFourDigitYears) {
  OpenMain();
  platform::SetModalHook([&](CDialog& dialog) {
    auto* calendar = dialog.Window()->Calendar(IDC_MONTHCALENDAR);
    EXPECT_EQ(calendar->minimumDate(), QDate(1900, 1, 1));
    EXPECT_EQ(calendar->maximumDate(), QDate(9999, 12, 31));
    calendar->setSelectedDate(QDate(1850, 6, 1));  // held to the first day offered
    dialog.EndDialog(IDOK);
  });
  Click(IDC_SELECT);
  EXPECT_EQ(Text(IDC_DATE), "1900-01-01");
}

class ReverseTest : public EntryCommandsTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReverseTest, ReversalMovesOnlyTextsAndTwiceRestoresTheOrder) {
  const int rows = GetParam();
  CGirthminderDlg& dlg = OpenMain();
  for (int i = 0; i < rows; ++i) {
    MeasurementEntry entry = kA;
    entry[kDate] = "2006-01-" + std::to_string(10 + i);
    entry[kWeight] = std::to_string(90 - i);
    AddEntry(entry);
  }
  const Rows before = AllRows();
  if (rows > 0) ClickRow(0);
  dlg.ReverseLogOrder();
  Rows reversed(before.rbegin(), before.rend());
  EXPECT_EQ(AllRows(), reversed);
  EXPECT_EQ(Text(IDC_COUNT), std::to_string(rows));
  if (rows > 0) {
    EXPECT_TRUE(dlg.m_listLog.IsItemSelected(0)) << "the selection stays on its row number";
    EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 0);
  }
  dlg.ReverseLogOrder();
  EXPECT_EQ(AllRows(), before);
}

INSTANTIATE_TEST_SUITE_P(RowCounts, ReverseTest, ::testing::Values(0, 1, 2, 3, 6, 7));

}  // namespace
