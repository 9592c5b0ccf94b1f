// Nothing the user had is ever lost, tried through the real window as a hostile tester would:
// bytes the loader does not understand, another program's version, running out of memory,
// the file's ACL, attributes and group, very long values, FIFOs and sockets, a report that is
// the log, a save that cannot be made, and a value of megabytes. Each test names the point of
// issue 11 that it shows.

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "DialogFixture.h"
#include "platform/files/Backups.h"
#include "platform/files/FileFaults.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

const std::string kHeader = "CREATOR=GIRTHMINDER 1.0";
const std::string kLog =
    "CREATOR=GIRTHMINDER 1.0\r\n"
    "DATE=2006-01-31\r\nWEIGHT=82.5\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96\r\n";
const MeasurementEntry kAdded = {"2006-03-05", "80.4", "101", "40", "34", "58", "93"};
const std::string kAddedRecord =
    "\r\nDATE=2006-03-05\r\nWEIGHT=80.4\r\nCHEST=101\r\nNECK=40\r\nARM=34\r\nLEG=58\r\nWAIST=93\r\n";

class KeepDataTest : public DialogTest {
 protected:
  void TearDown() override {
    platform::SetFileFaultHook({});
    alarm(0);
    DialogTest::TearDown();
  }

  int BoxesSaying(const std::string& text) const {
    int count = 0;
    for (const auto& box : m_boxes) count += box.text == text ? 1 : 0;
    return count;
  }

  // The boxes of a failed save: the first exactly as it always was, then the one naming the
  // rescue file. Gives the rescue file's bytes.
  std::string ExpectSaveFailedAndRescued() {
    EXPECT_GE(m_boxes.size(), 2u);
    if (m_boxes.size() < 2) return {};
    EXPECT_EQ(m_boxes[0].text, "Save to File");
    EXPECT_EQ(m_boxes[0].caption, "Error Writing File");
    EXPECT_EQ(m_boxes[0].type, static_cast<UINT>(MB_OK));
    const auto rescued = RescueFiles();
    EXPECT_EQ(rescued.size(), 1u);
    if (rescued.size() != 1) return {};
    EXPECT_EQ(m_boxes[1].text, "Your entries were kept in\r\n" + rescued[0].string());
    EXPECT_EQ(m_boxes[1].caption, "Error Writing File");
    struct stat st {};
    EXPECT_EQ(stat(rescued[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the rescue file is the user's alone";
    return ReadFileBytes(rescued[0]);
  }
};

// Point 1: bytes the loader does not understand survive the next save, as its backup.
TEST_F(KeepDataTest, Point1_BytesTheLoaderDoesNotUnderstandSurviveAsTheBackup) {
  std::string utf16("\xFF\xFE", 2);  // a byte-order mark, then each character in two bytes
  for (const char c : kLog) utf16 += std::string{c, '\0'};
  const struct {
    const char* what;
    std::string bytes;
    int rows;  // what the list shows of it (the loading rules stay as they are)
  } cases[] = {
      {"old-Mac CR-only line ends", "CREATOR=GIRTHMINDER 1.0\rDATE=2006-01-31\rWEIGHT=82.5\r", 0},
      {"UTF-16", utf16, 0},
      {"lower-case keys", "creator=girthminder 1.0\r\ndate=2006-01-31\r\nweight=82.5\r\n", 0},
      {"indented keys", "CREATOR=GIRTHMINDER 1.0\r\n  DATE=2006-01-31\r\n  WEIGHT=82.5\r\n", 0},
      {"a Ctrl-Z after the first record", kLog + "\x1A" + kAddedRecord, 1},
      {"# note lines", "# my log, since the operation\r\n" + kLog + "# weighed after breakfast\r\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Dir() / "diet.dat");
    for (const auto& backup : Backups()) fs::remove(backup);
    WriteFileBytes("diet.dat", c.bytes);
    m_boxes.clear();
    OpenMain();
    EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), c.rows);
    CloseMain();
    EXPECT_TRUE(m_boxes.empty());
    ASSERT_EQ(Backups(), std::vector<std::string>{BackupName(0)}) << "the version replaced was not kept";
    EXPECT_TRUE(ReadFileBytes(BackupName(0)) == c.bytes) << "the backup is not the file as it was";
  }
}

// Point 2: another program's version, written while the window is open, is kept at Quit.
TEST_F(KeepDataTest, Point2_AnotherProgramsChangesWhileTheWindowIsOpenAreKept) {
  const std::string theirs = kLog + "\r\nDATE=2006-02-01\r\nWEIGHT=81\r\n";
  for (const bool byRename : {false, true}) {
    SCOPED_TRACE(byRename ? "an editor that writes a new file and renames it" : "a program that rewrites in place");
    for (const auto& backup : Backups()) fs::remove(backup);
    WriteFileBytes("diet.dat", kLog);
    OpenMain();
    AddEntry(kAdded);
    if (byRename) {
      WriteFileBytes("theirs.tmp", theirs);
      fs::rename("theirs.tmp", "diet.dat");
    } else {
      WriteFileBytes("diet.dat", theirs);
    }
    CloseMain();
    EXPECT_EQ(ReadFileBytes("diet.dat"), kLog + kAddedRecord);
    ASSERT_EQ(Backups(), std::vector<std::string>{BackupName(0)});
    EXPECT_EQ(ReadFileBytes(BackupName(0)), theirs) << "the other program's version is gone";
  }
}

// Point 4: running out of memory in the save, the report or a command gives the command's own
// box, and the program goes on; the entries typed are kept.
TEST_F(KeepDataTest, Point4_OutOfMemoryIsAFailedCommandNeverADeath) {
  WriteFileBytes("diet.dat", kLog);
  WriteFileBytes("ReportOutter.htm", "<table>#LINKS#</table>");
  WriteFileBytes("ReportInner.htm", "<tr>#DATE#</tr>");
  OpenMain();
  AddEntry(kAdded);

  // The report: its own box, the earlier report kept, the window still there.
  WriteFileBytes("Report.htm", "earlier");
  bool thrown = false;
  platform::SetFileFaultHook([&](platform::FileOp op) -> int {
    if (op == platform::FileOp::Write && !thrown) {
      thrown = true;
      throw std::bad_alloc();
    }
    return 0;
  });
  Click(IDC_REPORT);
  EXPECT_TRUE(thrown);
  EXPECT_EQ(BoxesSaying("Could not write to report file"), 1);
  EXPECT_EQ(ReadFileBytes("Report.htm"), "earlier");
  ASSERT_TRUE(m_dialog->IsWindow());

  // A command: the framework's box.
  m_boxes.clear();
  platform::SetClockHook([]() -> std::time_t { throw std::bad_alloc(); });
  Click(IDC_SELECT);
  platform::SetClockHook([this] { return m_now; });
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].text, "Out of memory.");
  ASSERT_TRUE(m_dialog->IsWindow());
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 2);

  // The save: "Save to File", and the entries in the rescue file.
  m_boxes.clear();
  thrown = false;
  CloseMain();
  EXPECT_TRUE(thrown);
  EXPECT_EQ(ExpectSaveFailedAndRescued(), kLog + kAddedRecord);
  EXPECT_EQ(ReadFileBytes("diet.dat"), kLog);
  EXPECT_EQ(Backups(), std::vector<std::string>{});
}

bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  return out;
}

// Point 5: the file's ACL and extended attributes are kept across the save.
TEST_F(KeepDataTest, Point5_TheAclAndExtendedAttributesAreKept) {
  if (!HaveTool("setfacl") || !HaveTool("getfacl")) GTEST_SKIP() << "setfacl and getfacl (package acl) are missing";
  WriteFileBytes("diet.dat", kLog);
  ASSERT_EQ(chmod("diet.dat", 0640), 0);
  if (std::system("setfacl -m u:nobody:rw- diet.dat 2>/dev/null") != 0)
    GTEST_SKIP() << "this file system does not support POSIX ACLs: " << Output("stat -f -c %T .");
  std::cout << "[   INFO   ] POSIX ACLs are supported here (" << Output("stat -f -c %T . | tr -d '\\n'") << ")\n";
  const bool userAttributes = setxattr("diet.dat", "user.girthminder.note", "kept", 4, 0) == 0;
  if (!userAttributes) std::cout << "[   INFO   ] no user extended attributes on this file system\n";
  const std::string aclBefore = Output("getfacl -cp diet.dat");
  ASSERT_NE(aclBefore.find("user:nobody:rw-"), std::string::npos) << aclBefore;
  struct stat before {};
  ASSERT_EQ(stat("diet.dat", &before), 0);

  OpenMain();
  AddEntry(kAdded);
  CloseMain();
  ASSERT_TRUE(m_boxes.empty());
  ASSERT_EQ(ReadFileBytes("diet.dat"), kLog + kAddedRecord);
  EXPECT_EQ(Output("getfacl -cp diet.dat"), aclBefore) << "the ACL changed";
  struct stat after {};
  ASSERT_EQ(stat("diet.dat", &after), 0);
  EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777) << "the group gained or lost access";
  if (userAttributes) {
    char value[16] = {};
    EXPECT_EQ(getxattr("diet.dat", "user.girthminder.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
  }
}

// Point 5, the group: a member of the file's group saves; the file keeps its group, so that
// its owner (through the group) keeps access. CTest runs this as an ordinary user who belongs
// to a second group.
TEST_F(KeepDataTest, Point5_AsGroupMember_TheFileKeepsItsGroup) {
  gid_t groups[16];
  const int count = getgroups(16, groups);
  gid_t other = static_cast<gid_t>(-1);
  for (int i = 0; i < count; ++i)
    if (groups[i] != getegid()) other = groups[i];
  if (geteuid() == 0 || other == static_cast<gid_t>(-1))
    GTEST_SKIP() << "needs an ordinary user with a second group (the dialog.as_group_member test)";
  WriteFileBytes("diet.dat", kLog);
  ASSERT_EQ(chown("diet.dat", static_cast<uid_t>(-1), other), 0);
  ASSERT_EQ(chmod("diet.dat", 0660), 0);
  OpenMain();
  AddEntry(kAdded);
  CloseMain();
  ASSERT_TRUE(m_boxes.empty());
  struct stat after {};
  ASSERT_EQ(stat("diet.dat", &after), 0);
  EXPECT_EQ(after.st_gid, other) << "the file took the saver's own group";
  EXPECT_EQ(after.st_mode & 07777, 0660u);
}

// Point 6: no value is shortened by the form.
TEST_F(KeepDataTest, Point6_AValueOfAnyLengthPassesThroughTheForm) {
  const std::string longValue(40000, '7');
  const std::string log = kHeader + "\r\nDATE=2006-01-31\r\nWEIGHT=" + longValue +
                          "\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96\r\n";
  WriteFileBytes("diet.dat", log);
  OpenMain();
  ClickRow(0);
  EXPECT_EQ(Text(IDC_WEIGHT).size(), longValue.size());
  Click(IDC_UPDATE);
  EXPECT_EQ(m_dialog->m_listLog.GetItemText(0, kWeight).size(), longValue.size());
  // And typed: a value pasted whole stays whole.
  Edit(IDC_CHEST)->setText(QString::fromStdString(longValue));
  m_dialog->UpdateData(true);
  EXPECT_EQ(m_dialog->m_strChest.size(), longValue.size());
  CloseMain();
  EXPECT_TRUE(ReadFileBytes("diet.dat") == log);
}

// Point 7: a FIFO, a socket or a device is never read or written: nothing waits for a writer
// that never speaks. An alarm ends the test process should anything block.
TEST_F(KeepDataTest, Point7_FifosAndSocketsNeitherBlockNorAreReplaced) {
  alarm(60);
  // diet.dat a FIFO with a silent writer: the window opens empty, the save is refused and
  // the entries rescued.
  ASSERT_EQ(mkfifo("diet.dat", 0600), 0);
  const int writer = open("diet.dat", O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  OpenMain();
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  EXPECT_TRUE(m_boxes.empty()) << "loading is silent";

  // The templates and Report.htm as FIFOs with silent writers too.
  ASSERT_EQ(mkfifo("ReportInner.htm", 0600), 0);
  const int innerWriter = open("ReportInner.htm", O_RDWR | O_NONBLOCK);
  ASSERT_EQ(mkfifo("Report.htm", 0600), 0);
  const int reportWriter = open("Report.htm", O_RDWR | O_NONBLOCK);
  WriteFileBytes("ReportOutter.htm", "<p>#LINKS#</p>");
  AddEntry(kAdded);
  Click(IDC_REPORT);
  EXPECT_EQ(BoxesSaying("Error loading file"), 1) << "the entry template is not a file";
  EXPECT_EQ(BoxesSaying("Could not write to report file"), 1);
  EXPECT_TRUE(fs::is_fifo("Report.htm"));
  EXPECT_TRUE(fs::is_fifo("ReportInner.htm"));

  m_boxes.clear();
  CloseMain();
  EXPECT_EQ(ExpectSaveFailedAndRescued(), kHeader + kAddedRecord);
  EXPECT_TRUE(fs::is_fifo("diet.dat"));
  close(writer);
  close(innerWriter);
  close(reportWriter);

  // diet.dat a socket: the same.
  fs::remove("diet.dat");
  ClearRescueFiles();
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (Dir() / "diet.dat").c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  m_boxes.clear();
  OpenMain();
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  AddEntry(kAdded);
  CloseMain();
  EXPECT_EQ(ExpectSaveFailedAndRescued(), kHeader + kAddedRecord);
  EXPECT_TRUE(fs::is_socket("diet.dat"));
  close(sock);
}

// Point 9: a Report.htm that is the log (or a template) is never written over.
TEST_F(KeepDataTest, Point9_AReportThatIsTheLogOrATemplateIsRefused) {
  WriteFileBytes("ReportOutter.htm", "<table>#LINKS#</table>");
  WriteFileBytes("ReportInner.htm", "<tr>#DATE#</tr>");
  const struct {
    const char* what;
    std::function<void()> make;
    const char* victim;
  } cases[] = {
      {"a symbolic link to diet.dat", [] { fs::create_symlink("diet.dat", "Report.htm"); }, "diet.dat"},
      {"a hard link of diet.dat", [] { fs::create_hard_link("diet.dat", "Report.htm"); }, "diet.dat"},
      {"a link to the page template", [] { fs::create_symlink("ReportOutter.htm", "Report.htm"); }, "ReportOutter.htm"},
      {"a link to the entry template", [] { fs::create_symlink("ReportInner.htm", "Report.htm"); }, "ReportInner.htm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes("diet.dat", kLog);
    fs::remove("Report.htm");
    c.make();
    const std::string before = ReadFileBytes(c.victim);
    m_boxes.clear();
    OpenMain();
    Click(IDC_REPORT);
    EXPECT_EQ(BoxesSaying("Could not write to report file"), 1);
    EXPECT_EQ(ReadFileBytes(c.victim), before) << "the report was written into " << c.victim;
    m_dialog->EndDialog(IDCANCEL);  // ends without saving through the refused file
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ReadFileBytes(c.victim), before);
  }
}

// Point 10: a save that cannot replace diet.dat (here: a folder of that name) shows "Save to
// File" as always, then writes the list to a rescue file and names it.
TEST_F(KeepDataTest, Point10_AFailedSaveLeavesTheEntriesInARescueFile) {
  fs::create_directory("diet.dat");
  OpenMain();
  AddEntry(kAdded);
  CloseMain();
  EXPECT_EQ(ExpectSaveFailedAndRescued(), kHeader + kAddedRecord);
  EXPECT_TRUE(RescueFiles()[0].filename().string().rfind("diet.dat.", 0) == 0);
  EXPECT_EQ(RescueFiles()[0].extension(), ".rescue");
  EXPECT_TRUE(fs::is_directory("diet.dat"));

  // A second failure writes a second file: rescues never replace each other.
  m_boxes.clear();
  OpenMain();
  AddEntry(kAdded);
  CloseMain();
  EXPECT_EQ(RescueFiles().size(), 2u);
}

// Point 10, as an ordinary user: a read-only folder.
TEST_F(KeepDataTest, Point10_AsOrdinaryUser_AReadOnlyFolderLeavesTheEntriesInARescueFile) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, where file modes are not enforced";
  WriteFileBytes("diet.dat", kLog);
  OpenMain();
  ASSERT_EQ(chmod(Dir().c_str(), 0555), 0);
  AddEntry(kAdded);
  CloseMain();
  ASSERT_EQ(chmod(Dir().c_str(), 0755), 0);
  EXPECT_EQ(ExpectSaveFailedAndRescued(), kLog + kAddedRecord);
  EXPECT_EQ(ReadFileBytes("diet.dat"), kLog);
}

// Point 11: a value of 10 MB keeps start-up, repaint and Quit under a second each; the list
// shows a bounded prefix, and the value is saved whole.
TEST_F(KeepDataTest, Point11_AHugeValueStaysResponsive) {
  std::string huge(std::size_t{10} * 1024 * 1024, 'x');
  for (std::size_t i = 0; i < huge.size(); i += 100) huge[i] = static_cast<char>('a' + i % 26);
  huge[5] = '\xC3';  // and not ASCII only
  huge[6] = '\xA9';
  const std::string log = kHeader + "\r\nDATE=2006-01-31\r\nWEIGHT=" + huge +
                          "\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96\r\n";
  WriteFileBytes("diet.dat", log);
  QElapsedTimer timer;
  timer.start();
  OpenMain();
  Window()->resize(640, 480);
  Window()->show();
  const qint64 startMs = timer.restart();
  // grab() paints the whole window now, whether a screen shows it or not.
  (void)Window()->grab();
  List()->horizontalScrollBar()->setValue(List()->horizontalScrollBar()->maximum());
  (void)Window()->grab();
  const qint64 repaintMs = timer.restart();
  const QString shown = List()->model()->index(0, kWeight).data().toString();
  EXPECT_LT(shown.size(), 10000) << "the list shows a bounded prefix";
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
  CloseMain();
  const qint64 quitMs = timer.restart();
  std::cout << "[   INFO   ] 10 MB value: start-up " << startMs << " ms, repaint " << repaintMs << " ms, quit "
            << quitMs << " ms\n";
  EXPECT_LT(startMs, 1000);
  EXPECT_LT(repaintMs, 1000);
  EXPECT_LT(quitMs, 1000);
  EXPECT_TRUE(ReadFileBytes("diet.dat") == log) << "the value was not saved whole";
}

}  // namespace
