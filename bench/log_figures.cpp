// The figures of scripts/bench, measured on the real program in the current directory:
//
//   log_figures generate N FILE   writes a realistic diet.dat of N entries, one a day from 1990
//   log_figures session  --rows N [--t0 NS]
//       the real start-up (application object, InitInstance, the main dialog's DoModal with
//       OnInitDialog and LoadLog) until the list has painted with every row, then the real end
//       (EndDialog, OnDestroy, SaveLog synced to disk) until the process is about to exit.
//       --t0 is the launch time in nanoseconds of the realtime clock, so that process start,
//       library loading and toolkit start-up count too.
//   log_figures commands --rows N
//       starts as above, then one Add (a date not in the list), one Remove (a middle row, by
//       the selection mark) and one Report, each with the repaint that follows it.
//
// Prints one line of name=value pairs. Any message box is a failure: none is expected.

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/GirthminderApp.h"
#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"
#include "res/ResourceIds.h"

namespace {

using bench::Clock;
using bench::Fail;
using bench::Seconds;

double RealtimeSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int Generate(long count, const char* path) {
  // The bytes are spelled out here rather than taken from the program's writer, so that a
  // save that changes them shows up when scripts/bench compares the file after a session.
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) Fail(std::string("cannot write ") + path);
  static constexpr const char* kKeys[kFieldCount] = {"DATE", "WEIGHT", "CHEST", "NECK", "ARM", "LEG", "WAIST"};
  bench::EntryMaker maker;
  std::string chunk;
  for (long day = 0; day < count; ++day) {
    if (day == 0) chunk += "CREATOR=GIRTHMINDER 1.0";
    const MeasurementEntry entry = maker.Next(day);
    for (int field = 0; field < kFieldCount; ++field) {
      chunk += "\r\n";
      chunk += kKeys[field];
      chunk += '=';
      chunk += entry[static_cast<std::size_t>(field)];
    }
    chunk += "\r\n";
    if (chunk.size() > (1u << 20)) {
      out << chunk;
      chunk.clear();
    }
  }
  out << chunk;
  out.close();
  if (!out) Fail(std::string("cannot write ") + path);
  return 0;
}

// Counts the paints of the list's rows, so that "shown" means the rows were drawn.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && qobject_cast<QAbstractItemView*>(watched->parent()) != nullptr &&
        static_cast<QAbstractItemView*>(watched->parent())->viewport() == watched)
      ++paints;
    return false;
  }
};

struct Options {
  std::string mode;
  long rows = -1;
  double t0 = 0;  // launch time, realtime clock
};

Options g_options;
PaintCounter* g_paints = nullptr;
Clock::time_point g_endAt;
Clock::time_point g_exitAt;
std::vector<std::string> g_opened;
std::string g_results;

void Result(const char* name, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%s=%.6f", g_results.empty() ? "" : " ", name, value);
  g_results += text;
}

// Runs the events that are waiting, the repaint among them, and waits for a paint of the list
// when one is still to come.
void ProcessUntilPainted(int paintsBefore) {
  const Clock::time_point limit = Clock::now() + std::chrono::seconds(60);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  while (g_paints->paints == paintsBefore) {
    if (Clock::now() > limit) Fail("the list was never painted");
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
  }
}

double TimeCommand(CGirthminderDlg& dlg, int id) {
  const int paintsBefore = g_paints->paints;
  const Clock::time_point start = Clock::now();
  dlg.SendCommand(id);
  ProcessUntilPainted(paintsBefore);
  return Seconds(start, Clock::now());
}

void OnShown(CDialog& dialog) {
  auto* dlg = dynamic_cast<CGirthminderDlg*>(&dialog);
  if (dlg == nullptr) Fail("the main dialog did not come up");
  ProcessUntilPainted(0);
  Result("startup_s", RealtimeSeconds() - g_options.t0);

  const long rows = dlg->m_listLog.GetItemCount();
  if (rows != g_options.rows) Fail("the list shows " + std::to_string(rows) + " rows");
  if (rows > 0 && dlg->m_listLog.GetItemText(0, kDate) != bench::DateText(rows - 1))
    Fail("the top row is not the last entry of the file");

  if (g_options.mode == "commands") {
    // Add: a date before all others, so no question is asked.
    bench::EntryMaker maker(7);
    const MeasurementEntry entry = maker.Next(-1);
    std::string* fields[kFieldCount] = {&dlg->m_strDate, &dlg->m_strWeight, &dlg->m_strChest, &dlg->m_strNeck,
                                        &dlg->m_strArm,  &dlg->m_strLeg,    &dlg->m_strWaist};
    for (int field = 0; field < kFieldCount; ++field) *fields[field] = entry[static_cast<std::size_t>(field)];
    dlg->UpdateData(false);
    Result("add_ms", 1000.0 * TimeCommand(*dlg, IDC_ADD));
    if (dlg->m_listLog.GetItemCount() != rows + 1 || dlg->m_listLog.GetItemText(0, kDate) != entry[kDate])
      Fail("Add did not put the entry on top");

    // Remove: a middle row, marked as a click would mark it.
    const int middle = static_cast<int>((rows + 1) / 2);
    const std::string removed = dlg->m_listLog.GetItemText(middle, kDate);
    dlg->m_listLog.SetSelectionMark(middle);
    Result("remove_ms", 1000.0 * TimeCommand(*dlg, IDC_REMOVE));
    if (dlg->m_listLog.GetItemCount() != rows || (rows > 1 && dlg->m_listLog.GetItemText(middle, kDate) == removed))
      Fail("Remove did not delete the marked row");

    Result("report_s", TimeCommand(*dlg, IDC_REPORT));
    if (g_opened != std::vector<std::string>{"Report.htm"}) Fail("the report was not handed to the shell");
    if (std::filesystem::file_size("Report.htm") <= std::filesystem::file_size("ReportOutter.htm"))
      Fail("Report.htm holds no entries");
  }

  g_endAt = Clock::now();
  dlg->EndDialog(IDCANCEL);
}

class BenchApp : public CGirthminderApp {
 public:
  bool InitInstance() override {
    g_paints = new PaintCounter;
    qApp->installEventFilter(g_paints);
    return CGirthminderApp::InitInstance();
  }
  int ExitInstance() override {
    g_exitAt = Clock::now();
    return CGirthminderApp::ExitInstance();
  }
};

}  // namespace

int main(int argc, char** argv) {
  const double mainAt = RealtimeSeconds();
  if (argc >= 4 && std::strcmp(argv[1], "generate") == 0) return Generate(std::atol(argv[2]), argv[3]);

  if (argc < 2) Fail("usage: log_figures generate N FILE | session --rows N [--t0 NS] | commands --rows N");
  g_options.mode = argv[1];
  if (g_options.mode != "session" && g_options.mode != "commands") Fail("unknown mode " + g_options.mode);
  g_options.t0 = mainAt;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) g_options.rows = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--t0") == 0) g_options.t0 = std::atof(argv[i + 1]) * 1e-9;
  }
  if (g_options.rows < 0) Fail("--rows is needed: the number of entries in diet.dat");

  platform::SetMessageBoxHook(
      [](const platform::MessageBoxCall& call) -> int { Fail("unexpected message box: " + call.text); });
  platform::SetShellOpenHook([](const std::string& target) { g_opened.push_back(target); });
  platform::SetModalHook(OnShown);

  BenchApp app;
  char name[] = "girthminder";
  char* args[] = {name, nullptr};
  const int status = AfxWinMain(1, args);
  Result("save_s", Seconds(g_endAt, g_exitAt));
  std::printf("%s\n", g_results.c_str());
  return status;
}
