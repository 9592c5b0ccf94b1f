// The real dialogs of the Windows program on the Win32 backend, under Wine: the log file, the
// report, failed saves, the boxes and the list, with message boxes, the shell and the clock
// replaced through the same test seams as on Linux.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/GirthminderApp.h"
#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"
#include "platform/files/FileFaults.h"
#include "platform/win32/DialogWindow.h"
#include "platform/win32/Text.h"
#include "res/ResourceIds.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

const std::string kExample =
    "CREATOR=GIRTHMINDER 1.0\r\n"
    "DATE=2006-01-31\r\nWEIGHT=82.5\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96\r\n"
    "\r\n"
    "DATE=2006-02-07\r\nWEIGHT=81.9\r\nCHEST=103\r\nNECK=41\r\nARM=35\r\nLEG=59\r\nWAIST=95\r\n";
const MeasurementEntry kJanuary = {"2006-01-31", "82.5", "104", "41", "35", "60", "96"};
const MeasurementEntry kFebruary = {"2006-02-07", "81.9", "103", "41", "35", "59", "95"};

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> AsRow(const MeasurementEntry& entry) { return {entry.begin(), entry.end()}; }

void PumpMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

class Win32DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    m_dir = fs::path(base) /
            ("girthminder-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()));
    fs::create_directories(m_dir);
    // A failed save's rescue file goes to %LOCALAPPDATA%\girthminder: a folder of the test's own.
    m_data = m_dir.string() + "-data";
    fs::create_directories(m_data);
    SetEnvironmentVariableW(L"LOCALAPPDATA", m_data.c_str());
    m_oldDir = fs::current_path();
    fs::current_path(m_dir);
    platform::SetMessageBoxHook([this](const platform::MessageBoxCall& call) {
      m_boxes.push_back(call);
      if ((call.type & MB_TYPEMASK) != MB_YESNO) return IDOK;
      if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << call.text;
        return IDNO;
      }
      const int answer = m_answers.front();
      m_answers.pop_front();
      return answer;
    });
    platform::SetShellOpenHook([this](const std::string& target) { m_opened.push_back(target); });
  }

  void TearDown() override {
    if (m_dialog && m_dialog->IsWindow()) m_dialog->EndDialog(IDCANCEL);
    m_dialog.reset();
    PumpMessages();
    platform::SetMessageBoxHook({});
    platform::SetShellOpenHook({});
    platform::SetModalHook({});
    platform::SetSocketInitHook({});
    platform::SetFileFaultHook({});
    platform::SetDrawIconHook({});
    fs::current_path(m_oldDir);
    std::error_code ignored;
    SetFileAttributesW((m_dir / "diet.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(m_dir, ignored);
    fs::remove_all(m_data, ignored);
  }

  CGirthminderDlg& OpenMain() {
    m_dialog = std::make_unique<CGirthminderDlg>();
    EXPECT_TRUE(m_dialog->Create());
    PumpMessages();
    return *m_dialog;
  }
  HWND Main() const { return m_dialog->Window()->Handle(); }
  HWND Control(int id) const { return GetDlgItem(Main(), id); }

  // Escape as the dialog manager takes it from the keyboard: IDCANCEL, the window destroyed.
  void CloseMain() { Press(VK_ESCAPE); }
  void Press(WPARAM key) {
    MSG message{GetFocus() ? GetFocus() : Main(), WM_KEYDOWN, key, 0, 0, {}};
    IsDialogMessageW(Main(), &message);
    PumpMessages();
  }

  std::string Text(int id) const {
    wchar_t text[4096] = {};
    GetDlgItemTextW(Main(), id, text, 4095);
    return platform::BytesFromWide(text);
  }
  void Type(int id, const std::string& text) {
    SetFocus(Control(id));
    SetWindowTextW(Control(id), platform::WideFromBytes(text).c_str());
  }
  void Click(int id) {
    SendMessageW(Control(id), BM_CLICK, 0, 0);
    PumpMessages();
  }
  // A left click at a point of the list, as the mouse gives it.
  void ClickList(POINT point) {
    const HWND list = Control(IDC_LOGLIST);
    const LPARAM where = MAKELPARAM(point.x, point.y);
    PostMessageW(list, WM_LBUTTONUP, 0, where);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PumpMessages();
  }
  void ClickRow(int row) {
    RECT cell{};
    cell.left = LVIR_LABEL;
    SendMessageW(Control(IDC_LOGLIST), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    ClickList({cell.left + 4, (cell.top + cell.bottom) / 2});
  }

  Rows AllRows() const {
    Rows rows;
    for (int r = 0; r < m_dialog->m_listLog.GetItemCount(); ++r) {
      rows.emplace_back();
      for (int field = 0; field < kFieldCount; ++field)
        rows.back().push_back(m_dialog->m_listLog.GetItemText(r, field));
    }
    return rows;
  }
  std::vector<std::string> FormTexts() const {
    const int ids[kFieldCount] = {IDC_DATE, IDC_WEIGHT, IDC_CHEST, IDC_NECK, IDC_ARM, IDC_LEG, IDC_WAIST};
    std::vector<std::string> texts;
    for (int id : ids) texts.push_back(Text(id));
    return texts;
  }
  void AddEntry(const MeasurementEntry& entry) {
    std::string* fields[kFieldCount] = {&m_dialog->m_strDate, &m_dialog->m_strWeight, &m_dialog->m_strChest,
                                        &m_dialog->m_strNeck, &m_dialog->m_strArm,    &m_dialog->m_strLeg,
                                        &m_dialog->m_strWaist};
    for (int field = 0; field < kFieldCount; ++field) *fields[field] = entry[static_cast<std::size_t>(field)];
    m_dialog->UpdateData(false);
    Click(IDC_ADD);
  }
  int BoxesWith(const std::string& text, const std::string& caption) const {
    int count = 0;
    for (const auto& box : m_boxes) count += box.text == text && box.caption == caption && box.type == MB_OK;
    return count;
  }

  std::vector<platform::MessageBoxCall> m_boxes;
  std::deque<int> m_answers;
  std::vector<std::string> m_opened;
  std::unique_ptr<CGirthminderDlg> m_dialog;
  fs::path m_dir;
  fs::path m_data;
  fs::path m_oldDir;
};

TEST_F(Win32DialogTest, TheWorkedExampleIsSavedByteForByteAndLoadsBackInOrder) {
  OpenMain();
  EXPECT_TRUE(fs::exists("diet.dat")) << "created empty at start-up";
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  CloseMain();
  EXPECT_FALSE(m_dialog->IsWindow());
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);

  OpenMain();
  EXPECT_EQ(AllRows(), (Rows{AsRow(kFebruary), AsRow(kJanuary)}));
  EXPECT_EQ(FormTexts(), std::vector<std::string>(7, ""));
  EXPECT_EQ(Text(IDC_COUNT), "2");
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Win32DialogTest, TheCloseCommandAndEnterInAnEditSaveAsEscapeDoes) {
  OpenMain();
  AddEntry(kJanuary);
  SendMessageW(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box, Alt+F4
  PumpMessages();
  EXPECT_FALSE(m_dialog->IsWindow());
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample.substr(0, 25 + 17 + 13 + 11 + 9 + 8 + 8 + 10));

  OpenMain();
  AddEntry(kFebruary);
  SetFocus(Control(IDC_WEIGHT));
  Press(VK_RETURN);  // the default button, Quit
  EXPECT_FALSE(m_dialog->IsWindow());
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Win32DialogTest, TheFormGivesBackTheBytesItWasGivenAndSavesThemUnchanged) {
  // The manifest makes UTF-8 the code page; bytes it cannot show still pass whole.
  EXPECT_EQ(GetACP(), 65001u) << "the manifest's active code page";
  const MeasurementEntry odd = {
      "2006-03-05", "\xc3\xa9t\xc3\xa9 82,5", "\xff\xfe", std::string(5000, '7'), "a=b", "  lead", "#DATE#"};
  OpenMain();
  AddEntry(odd);
  Click(IDC_CLEAR);
  ClickRow(0);
  EXPECT_EQ(m_dialog->m_listLog.GetSelectionMark(), 0);
  m_dialog->UpdateData(true);
  EXPECT_EQ((MeasurementEntry{m_dialog->m_strDate, m_dialog->m_strWeight, m_dialog->m_strChest, m_dialog->m_strNeck,
                              m_dialog->m_strArm, m_dialog->m_strLeg, m_dialog->m_strWaist}),
            odd);
  EXPECT_EQ(Text(IDC_WEIGHT), "\xc3\xa9t\xc3\xa9 82,5") << "shown as the UTF-8 it is";
  CloseMain();
  OpenMain();
  EXPECT_EQ(AllRows(), (Rows{AsRow(odd)}));
}

TEST_F(Win32DialogTest, LineBreaksTypedOrPastedBecomeBlanks) {
  OpenMain();
  Type(IDC_WEIGHT, "82\r\n5\x1a kg\n");
  m_dialog->UpdateData(true);
  EXPECT_EQ(m_dialog->m_strWeight, "82 5 kg ");
}

TEST_F(Win32DialogTest, TheSelectionMarkFollowsItsEntryAndEveryClickCopiesIt) {
  OpenMain();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  ClickRow(1);  // January
  EXPECT_EQ(m_dialog->m_listLog.GetSelectionMark(), 1);
  EXPECT_EQ(FormTexts(), AsRow(kJanuary));
  AddEntry({"2006-02-14", "81", "102", "40", "34", "59", "94"});
  EXPECT_EQ(m_dialog->m_listLog.GetSelectionMark(), 2) << "a row inserted above moves the mark down";
  EXPECT_TRUE(m_dialog->m_listLog.IsItemSelected(2)) << "and the selection with it";

  // A click below the rows copies the marked row again, over what was typed.
  Type(IDC_WEIGHT, "typed");
  ClickList({10, 200});
  EXPECT_EQ(FormTexts(), AsRow(kJanuary));

  Click(IDC_REMOVE);
  EXPECT_EQ(m_dialog->m_listLog.GetSelectionMark(), -1);
  EXPECT_EQ(AllRows(), (Rows{{"2006-02-14", "81", "102", "40", "34", "59", "94"}, AsRow(kFebruary)}));
  EXPECT_EQ(Text(IDC_COUNT), "2");
}

TEST_F(Win32DialogTest, ColumnsFitTheirWidestTextAndTheLastFillsTheList) {
  OpenMain();
  CListCtrl& list = m_dialog->m_listLog;
  const int narrow = list.GetColumnWidth(kWeight);
  int sum = 0;
  for (int c = 0; c < kFieldCount; ++c) sum += list.GetColumnWidth(c);
  EXPECT_EQ(sum, list.GetClientWidth()) << "the last column reaches the right edge";
  AddEntry({"2006-03-05", "a weight far wider than its heading", "", "", "", "", ""});
  EXPECT_GT(list.GetColumnWidth(kWeight), narrow);
  Click(IDC_REMOVE);  // no mark: nothing removed
  ClickRow(0);
  Click(IDC_REMOVE);
  EXPECT_EQ(list.GetColumnWidth(kWeight), narrow) << "narrowed back to its heading";
}

TEST_F(Win32DialogTest, BlankDateAndDuplicateDateAskAsTheyShould) {
  OpenMain();
  AddEntry({"", "80", "", "", "", "", ""});
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "Date Cannot be Blank.\r\nNo entry added.");
  EXPECT_EQ(m_boxes[0].caption, "Error");
  EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(Text(IDC_WEIGHT), "80");

  AddEntry(kJanuary);
  m_answers = {IDNO, IDYES};
  Click(IDC_ADD);
  Click(IDC_ADD);
  ASSERT_EQ(m_boxes.size(), 3u);
  EXPECT_EQ(m_boxes[1].text, "This entry is already in the list.\r\nDo you really want to add this item?");
  EXPECT_EQ(m_boxes[1].caption, "girthminder");
  EXPECT_EQ(m_boxes[1].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_TRUE(m_boxes[1].ownedByApp);
  EXPECT_EQ(AllRows(), (Rows{AsRow(kJanuary), AsRow(kJanuary)}));
}

TEST_F(Win32DialogTest, ReportFillsTheTemplatesInTextModeAndAsksTheShell) {
  WriteFileBytes("ReportOutter.htm", "<table>\n#LINKS#</table>\n");
  WriteFileBytes("ReportInner.htm", "<tr><td>#DATE#</td><td>#WEIGHT#</td></tr>\n");
  OpenMain();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  Click(IDC_REPORT);
  EXPECT_EQ(ReadFileBytes("Report.htm"),
            "<table>\r\n<tr><td>2006-02-07</td><td>81.9</td></tr>\r\n<tr><td>2006-01-31</td><td>82.5</td></tr>\r\n"
            "</table>\r\n");
  EXPECT_EQ(FormTexts(), AsRow(kJanuary)) << "the form ends on the bottom row";
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Win32DialogTest, AReportThatCannotBeWrittenIsShownOnceAndStillHandedToTheShell) {
  fs::create_directory("ReportInner.htm");
  fs::create_directory("Report.htm");
  OpenMain();
  AddEntry(kJanuary);
  Click(IDC_REPORT);
  EXPECT_EQ(BoxesWith("Error loading file", "Error"), 1);
  EXPECT_EQ(BoxesWith("Could not write to report file", "Error Log"), 1);
  EXPECT_EQ(m_boxes.size(), 2u);
  EXPECT_TRUE(fs::is_directory("Report.htm"));
  EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"});
}

TEST_F(Win32DialogTest, EveryFailingStepOfTheSaveKeepsTheLogAndRescuesTheEntries) {
  // The rescue file is written through the same calls: a failing write fails it too.
  const struct {
    platform::FileOp op;
    bool rescued;
  } cases[] = {{platform::FileOp::Open, true},  {platform::FileOp::Write, false}, {platform::FileOp::Sync, true},
               {platform::FileOp::Close, true}, {platform::FileOp::Rename, true}, {platform::FileOp::Backup, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.op));
    WriteFileBytes("diet.dat", kExample);
    m_boxes.clear();
    OpenMain();
    AddEntry({"2006-02-14", "81", "102", "40", "34", "59", "94"});
    platform::SetFileFaultHook([op = c.op](platform::FileOp at) { return at == op ? EIO : 0; });
    CloseMain();
    platform::SetFileFaultHook({});
    EXPECT_EQ(BoxesWith("Save to File", "Error Writing File"), 1);
    ASSERT_EQ(m_boxes.size(), 2u);
    const std::string kept = "Your entries were kept in\r\n";
    if (c.rescued) {
      // The second box names the rescue file, which holds the entries, the new one too.
      ASSERT_EQ(m_boxes[1].text.substr(0, kept.size()), kept);
      const fs::path rescue = m_boxes[1].text.substr(kept.size());
      EXPECT_EQ(rescue.parent_path(), m_data / "girthminder");
      EXPECT_NE(ReadFileBytes(rescue).find("2006-02-14"), std::string::npos);
    } else {
      EXPECT_EQ(BoxesWith("Your entries could not be kept in a rescue file either.", "Error Writing File"), 1);
    }
    std::error_code ignored;
    fs::remove_all(m_data / "girthminder", ignored);
    EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"diet.dat"}) << "no temporary file or backup is left";
  }
}

TEST_F(Win32DialogTest, AReadOnlyLogIsNotReplacedAndAHiddenOneStaysHidden) {
  WriteFileBytes("diet.dat", kExample);
  ASSERT_TRUE(SetFileAttributesW(L"diet.dat", FILE_ATTRIBUTE_READONLY));
  OpenMain();
  AddEntry({"2006-02-14", "81", "102", "40", "34", "59", "94"});
  CloseMain();
  EXPECT_EQ(BoxesWith("Save to File", "Error Writing File"), 1);
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);

  ASSERT_TRUE(SetFileAttributesW(L"diet.dat", FILE_ATTRIBUTE_HIDDEN));
  m_boxes.clear();
  OpenMain();
  ClickRow(0);
  Click(IDC_REMOVE);
  CloseMain();
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample.substr(0, 25 + 17 + 13 + 11 + 9 + 8 + 8 + 10));
  EXPECT_TRUE(GetFileAttributesW(L"diet.dat") & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Win32DialogTest, TheRealSystemMenuEndsWithTheAboutItemWhichOpensTheAboutBox) {
  OpenMain();
  const HMENU menu = GetSystemMenu(Main(), FALSE);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 63, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&About Girthminder...");
  EXPECT_EQ(GetMenuItemID(menu, count - 1), IDM_ABOUTBOX);
  EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
            static_cast<UINT>(MF_SEPARATOR));

  std::vector<int> shown;
  platform::SetModalHook([&](CDialog& dialog) {
    shown.push_back(dialog.Template().id);
    dialog.EndDialog(IDOK);
  });
  SendMessageW(Main(), WM_SYSCOMMAND, IDM_ABOUTBOX + 3, 0);  // the low four bits do not count
  EXPECT_EQ(shown, std::vector<int>{IDD_ABOUTBOX});
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Main(), WM_QUERYDRAGICON, 0, 0)), m_dialog->m_hIcon);
  EXPECT_NE(m_dialog->m_hIcon, nullptr) << "icon 128 from the executable's resources";
}

TEST_F(Win32DialogTest, F1GoesToTheApplicationsHelpCommand) {
  struct HelpCountingApp : CWinApp {
    int helps = 0;
    void OnHelp() override { ++helps; }
  } app;
  OpenMain();
  SetForegroundWindow(Main());
  SetFocus(Control(IDC_WEIGHT));
  // F1 from the keyboard, as the system's input queue delivers it.
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
  for (int i = 0; i < 50 && app.helps == 0; ++i) {
    Sleep(10);
    PumpMessages();
  }
  EXPECT_EQ(app.helps, 1);
  EXPECT_TRUE(m_dialog->IsWindow()) << "help ends nothing";
}

TEST_F(Win32DialogTest, MinimisedTheIconIsDrawnInTheMiddleOfTheClientArea) {
  struct Drawn {
    int x, y;
    const void* icon;
  };
  std::vector<Drawn> drawn;
  platform::SetDrawIconHook([&](int x, int y, const void* icon) { drawn.push_back({x, y, icon}); });
  OpenMain();
  RedrawWindow(Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(drawn.empty()) << "a normal window paints as a dialog does";
  ShowWindow(Main(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(Main()));
  // Windows since Vista (and Wine) no longer paint a minimised window's client area; where a
  // system still does, this is the message it sends.
  SendMessageW(Main(), WM_PAINT, 0, 0);
  platform::SetDrawIconHook({});
  ASSERT_EQ(drawn.size(), 1u);
  RECT client{};
  GetClientRect(Main(), &client);
  EXPECT_EQ(drawn[0].x, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2);
  EXPECT_EQ(drawn[0].y, (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2);
  EXPECT_EQ(drawn[0].icon, m_dialog->m_hIcon);
}

TEST_F(Win32DialogTest, WithoutWindowsSocketsTheProgramSaysSoAndTouchesNoFile) {
  platform::SetSocketInitHook([] { return false; });
  CGirthminderApp app;
  EXPECT_FALSE(app.InitInstance());
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "Windows sockets initialization failed.");
  EXPECT_EQ(m_boxes[0].caption, "girthminder");
  EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_FALSE(fs::exists("diet.dat"));
}

TEST_F(Win32DialogTest, RealWindowsSocketsStartAsVersionOnePointOne) { EXPECT_TRUE(AfxSocketInit()); }

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The application title, the caption of application boxes, comes from the program's name.
  platform::InitApplicationForTests("girthminder");
  return RUN_ALL_TESTS();
}
