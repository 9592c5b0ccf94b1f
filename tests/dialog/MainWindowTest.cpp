// The main window: its form, the list's columns and widths, clicks into the form, the count,
// the tab order, and every way of ending the dialog.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <string_view>

#include "DialogFixture.h"
#include "WorkedExample.h"
#include "app/GirthminderApp.h"
#include "platform/WinApp.h"

using namespace testing_support;

namespace {

class MainWindowTest : public DialogTest {};

// Qt's model tester only logs what it finds outside a QTest run; while this object lives, each
// of its findings fails the running test.
class ModelTesterFindingsFail {
 public:
  ModelTesterFindingsFail() { s_previous = qInstallMessageHandler(&Handle); }
  ~ModelTesterFindingsFail() { qInstallMessageHandler(s_previous); }
  ModelTesterFindingsFail(const ModelTesterFindingsFail&) = delete;
  ModelTesterFindingsFail& operator=(const ModelTesterFindingsFail&) = delete;

 private:
  static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (context.category && std::string_view(context.category) == "qt.modeltest") {
      ADD_FAILURE() << "model tester: " << message.toStdString();
      return;
    }
    if (s_previous) s_previous(type, context, message);
  }
  static inline QtMessageHandler s_previous = nullptr;
};

TEST_F(MainWindowTest, OpensWithEmptyFormZeroCountAndSevenHeadings) {
  CGirthminderDlg& dlg = OpenMain();
  EXPECT_EQ(FormTexts(), std::vector<std::string>(7, ""));
  EXPECT_EQ(Text(IDC_COUNT), "0");
  EXPECT_EQ(dlg.m_listLog.GetItemCount(), 0);
  std::vector<std::string> headings;
  headings.reserve(static_cast<std::size_t>(dlg.m_listLog.GetColumnCount()));
  for (int c = 0; c < dlg.m_listLog.GetColumnCount(); ++c) headings.push_back(dlg.m_listLog.GetColumnHeading(c));
  EXPECT_EQ(headings, (std::vector<std::string>{"Date", "Weight", "Chest", "Neck", "Arm", "Leg", "Waist"}));
  EXPECT_TRUE(Edit(IDC_DATE)->isReadOnly());
  EXPECT_TRUE(Edit(IDC_COUNT)->isReadOnly());
  EXPECT_EQ(Window()->windowTitle(), "Girthminder");
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(MainWindowTest, EmptyListColumnsFitHeadingsAndLastReachesRightEdge) {
  CGirthminderDlg& dlg = OpenMain();
  QHeaderView* header = List()->horizontalHeader();
  int total = 0;
  for (int c = 0; c < 7; ++c) {
    if (c < 6) {
      EXPECT_EQ(dlg.m_listLog.GetColumnWidth(c), header->sectionSizeHint(c)) << "column " << c;
    }
    total += dlg.m_listLog.GetColumnWidth(c);
  }
  EXPECT_GT(dlg.m_listLog.GetColumnWidth(6), header->sectionSizeHint(6));
  EXPECT_EQ(total, dlg.m_listLog.GetClientWidth());
}

TEST_F(MainWindowTest, WideCellWidensItsColumnAndNarrowsBackWhenGone) {
  CGirthminderDlg& dlg = OpenMain();
  const int headingWidth = dlg.m_listLog.GetColumnWidth(kChest);
  AddEntry({"2006-01-31", "82.5", "a chest text much wider than its heading", "41", "35", "60", "96"});
  const int widened = dlg.m_listLog.GetColumnWidth(kChest);
  EXPECT_GT(widened, headingWidth);
  EXPECT_GE(widened, List()->fontMetrics().horizontalAdvance("a chest text much wider than its heading"));

  ClickRow(0);
  Click(IDC_REMOVE);
  EXPECT_EQ(dlg.m_listLog.GetColumnWidth(kChest), headingWidth);
}

TEST_F(MainWindowTest, ClickCopiesExactlyThatRowAndLeavesTheCount) {
  CGirthminderDlg& dlg = OpenMain();
  AddEntry(kJanuary);
  AddEntry({"2006-02-07", "", "103", "", "35", "", "95"});  // empty cells give empty fields
  Click(IDC_CLEAR);
  ClickRow(1);
  EXPECT_EQ(FormTexts(), std::vector<std::string>(kJanuary.begin(), kJanuary.end()));
  ClickRow(0);
  EXPECT_EQ(FormTexts(), (std::vector<std::string>{"2006-02-07", "", "103", "", "35", "", "95"}));
  EXPECT_EQ(Text(IDC_COUNT), "2");
  EXPECT_EQ(dlg.m_nEntryCount, 2);
}

TEST_F(MainWindowTest, ClickBelowRowsCopiesTheMarkedRowOverTypedText) {
  OpenMain();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  ClickRow(1);
  Type(IDC_WEIGHT, "typed but not added");
  ClickBelowRows();
  EXPECT_EQ(FormTexts(), std::vector<std::string>(kJanuary.begin(), kJanuary.end()));
}

TEST_F(MainWindowTest, ClickWithoutMarkLeavesTheForm) {
  CGirthminderDlg& dlg = OpenMain();
  Type(IDC_WEIGHT, "80");
  ClickBelowRows();  // empty list: no mark
  EXPECT_EQ(Text(IDC_WEIGHT), "80");
  AddEntry(kJanuary);
  ASSERT_EQ(dlg.m_listLog.GetSelectionMark(), -1);
  Type(IDC_WEIGHT, "79");
  ClickBelowRows();
  EXPECT_EQ(Text(IDC_WEIGHT), "79");
}

TEST_F(MainWindowTest, SelectionMarkFollowsItsEntry) {
  CGirthminderDlg& dlg = OpenMain();
  AddEntry(kJanuary);
  ClickRow(0);
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 0);
  m_answers.push_back(IDYES);
  AddEntry(kFebruary);  // inserted above the marked row
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 1);
  EXPECT_EQ(dlg.m_listLog.GetItemText(1, kDate), "2006-01-31");
  dlg.m_listLog.DeleteItem(1);
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), -1);
}

TEST_F(MainWindowTest, TabVisitsTheMeasurementsInFormOrder) {
  OpenMain();
  QApplication::setActiveWindow(Window());
  Edit(IDC_WEIGHT)->setFocus();
  std::vector<int> visited;
  const int order[] = {IDC_WEIGHT, IDC_ARM, IDC_WAIST, IDC_CHEST, IDC_LEG, IDC_NECK};
  for (int i = 0; i < 6; ++i) {
    for (int id : order)
      if (QApplication::focusWidget() == Edit(id)) visited.push_back(id);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited, std::vector<int>(std::begin(order), std::end(order)));
}

TEST_F(MainWindowTest, TheListModelsKeepTheirContractThroughEveryChange) {
  CGirthminderDlg& dlg = OpenMain();
  // The testers check every signal and answer of the models; a broken rule fails the test.
  const ModelTesterFindingsFail findingsFail;
  using Mode = QAbstractItemModelTester::FailureReportingMode;
  QAbstractItemModelTester tableTester(&List()->Model(), Mode::Warning);
  QAbstractItemModelTester headerTester(List()->Model().RowCounts(), Mode::Warning);
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  ClickRow(1);
  Type(IDC_WEIGHT, "80");
  Click(IDC_UPDATE);
  dlg.ReverseLogOrder();
  dlg.m_listLog.SetRedraw(false);  // a batch, as loading makes one
  for (int i = 0; i < 5; ++i) dlg.m_listLog.InsertItem(0, MeasurementEntry{"2007-01-0" + std::to_string(i + 1)});
  dlg.m_listLog.DeleteItem(6);
  dlg.m_listLog.SetRedraw(true);
  ClickRow(0);
  Click(IDC_REMOVE);
  EXPECT_EQ(List()->Model().rowCount(), 5);
  EXPECT_EQ(List()->Model().RowCounts()->rowCount(), 5);
  EXPECT_EQ(List()->verticalHeader()->count(), 5);
}

TEST_F(MainWindowTest, TheListIsOneStopInTheTabOrder) {
  CGirthminderDlg& dlg = OpenMain();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Button(IDC_ADD));
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), -1) << "tabbing through selects nothing";
}

TEST_F(MainWindowTest, TypedTextIsTakenExactlyAndBytesSurviveTheExchange) {
  CGirthminderDlg& dlg = OpenMain();
  Type(IDC_WEIGHT, "  82,5 kg ");
  dlg.UpdateData(true);
  EXPECT_EQ(dlg.m_strWeight, "  82,5 kg ");
  // Bytes that are not valid UTF-8 come back unchanged while the user has not edited them.
  dlg.m_strNeck = std::string(
      "4\xff\xfe"
      "1",
      4);
  dlg.UpdateData(false);
  dlg.m_strNeck.clear();
  dlg.UpdateData(true);
  EXPECT_EQ(dlg.m_strNeck, std::string("4\xff\xfe"
                                       "1",
                                       4));
}

TEST_F(MainWindowTest, PastedLineBreaksNeverReachAValue) {
  CGirthminderDlg& dlg = OpenMain();
  QLineEdit* edit = Edit(IDC_CHEST);
  edit->setFocus();
  edit->insert(
      QString::fromUtf8("103\r\nWAIST=1\x1a"
                        "0"));
  dlg.UpdateData(true);
  EXPECT_EQ(dlg.m_strChest.find_first_of("\r\n\x1a"), std::string::npos) << dlg.m_strChest;
}

// A dialog that records whether its controls still existed when it was destroyed.
class RecordingDlg : public CGirthminderDlg {
 public:
  void OnDestroy() override {
    destroyedWithControls = m_listLog.IsAttached() && UpdateData(true);
    countAtDestroy = m_nEntryCount;
    CGirthminderDlg::OnDestroy();
  }
  bool destroyedWithControls = false;
  int countAtDestroy = -1;
};

enum class Ending { Quit, EnterInEdit, Escape, CloseBox, CloseCommand };

std::string NameOf(Ending ending) {
  switch (ending) {
    case Ending::Quit:
      return "Quit";
    case Ending::EnterInEdit:
      return "EnterInEdit";
    case Ending::Escape:
      return "Escape";
    case Ending::CloseBox:
      return "CloseBox";
    case Ending::CloseCommand:
      return "CloseCommand";
  }
  return "Unknown";
}

void PrintTo(Ending ending, std::ostream* os) { *os << NameOf(ending); }

class EndingTest : public DialogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingTest, EveryWayOfEndingPassesThroughOnDestroy) {
  auto* dlg = new RecordingDlg;
  m_dialog.reset(dlg);
  dlg->Create();
  QApplication::setActiveWindow(Window());
  AddEntry(kJanuary);
  switch (GetParam()) {
    case Ending::Quit:
      Click(IDOK);
      break;
    case Ending::EnterInEdit:
      Edit(IDC_LEG)->setFocus();
      QTest::keyClick(Edit(IDC_LEG), Qt::Key_Return);
      break;
    case Ending::Escape:
      QTest::keyClick(Edit(IDC_WEIGHT), Qt::Key_Escape);
      break;
    case Ending::CloseBox:
      Window()->close();
      break;
    case Ending::CloseCommand:
      dlg->SendSysCommand(SC_CLOSE);
      break;
  }
  EXPECT_FALSE(dlg->IsWindow());
  EXPECT_TRUE(dlg->destroyedWithControls);
  EXPECT_EQ(dlg->countAtDestroy, 1);
}

INSTANTIATE_TEST_SUITE_P(Endings, EndingTest,
                         ::testing::Values(Ending::Quit, Ending::EnterInEdit, Ending::Escape, Ending::CloseBox,
                                           Ending::CloseCommand),
                         [](const ::testing::TestParamInfo<Ending>& info) { return NameOf(info.param); });

class StartupTest : public DialogTest {};

TEST_F(StartupTest, FailingSocketStartupShowsItsMessageAndOpensNoWindow) {
  platform::SetSocketInitHook([] { return false; });
  bool windowShown = false;
  platform::SetModalHook([&](CDialog& dialog) {
    windowShown = true;
    dialog.EndDialog(IDCANCEL);
  });
  CGirthminderApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(windowShown);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "Windows sockets initialization failed.");
  EXPECT_EQ(m_boxes[0].caption, "girthminder");
  EXPECT_EQ(m_boxes[0].type & MB_TYPEMASK, MB_OK);
  EXPECT_TRUE(m_boxes[0].ownedByApp);
  EXPECT_FALSE(std::filesystem::exists(Dir() / "diet.dat"));
}

TEST_F(StartupTest, InitInstanceRunsTheDialogModallyAndReturnsFalse) {
  int shown = 0;
  platform::SetModalHook([&](CDialog& dialog) {
    ++shown;
    EXPECT_EQ(AfxGetApp()->m_pMainWnd, &dialog);
    dialog.EndDialog(IDCANCEL);
  });
  CGirthminderApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(std::filesystem::exists(Dir() / "diet.dat"));
  EXPECT_TRUE(m_boxes.empty());
}

}  // namespace
