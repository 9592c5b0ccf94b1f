// The figures of scripts/bench-windows, measured on the real Windows program (run it under
// wine64 in an X server) in the current directory; the same modes and output as
// bench/log_figures.cpp:
//
//   log_figures_win32 generate N FILE
//   log_figures_win32 session  --rows N [--t0 NS]   start-up until every window of the dialog
//                                                   has painted, then the end with its save
//   log_figures_win32 commands --rows N             one Add, one Remove and one Report, each
//                                                   with its repaint
//
// Prints one line of name=value pairs. Any message box is a failure: none is expected.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../BenchSupport.h"
#include "app/GirthminderApp.h"
#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"
#include "platform/win32/DialogWindow.h"
#include "res/ResourceIds.h"

namespace {

using bench::Clock;
using bench::Fail;
using bench::Seconds;

double RealtimeSeconds() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) * 1e-7;  // 100 ns since 1601 -> s since 1970
}

int Generate(long count, const char* path) {
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

struct Options {
  std::string mode;
  long rows = -1;
  double t0 = 0;
};

Options g_options;
Clock::time_point g_endAt;
Clock::time_point g_exitAt;
std::vector<std::string> g_opened;
std::string g_results;

void Result(const char* name, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%s=%.6f", g_results.empty() ? "" : " ", name, value);
  g_results += text;
}

// Paints whatever waits to be painted, in the dialog and every control, before returning.
void PaintNow(CDialog& dialog) {
  RedrawWindow(dialog.Window()->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

double TimeCommand(CGirthminderDlg& dlg, int id) {
  const Clock::time_point start = Clock::now();
  dlg.SendCommand(id);
  PaintNow(dlg);
  return Seconds(start, Clock::now());
}

void OnShown(CDialog& dialog) {
  auto* dlg = dynamic_cast<CGirthminderDlg*>(&dialog);
  if (dlg == nullptr) Fail("the main dialog did not come up");
  ShowWindow(dialog.Window()->Handle(), SW_SHOW);
  PaintNow(dialog);
  Result("startup_s", RealtimeSeconds() - g_options.t0);

  const long rows = dlg->m_listLog.GetItemCount();
  if (rows != g_options.rows) Fail("the list shows " + std::to_string(rows) + " rows");
  if (rows > 0 && dlg->m_listLog.GetItemText(0, kDate) != bench::DateText(rows - 1))
    Fail("the top row is not the last entry of the file");

  if (g_options.mode == "commands") {
    bench::EntryMaker maker(7);
    const MeasurementEntry entry = maker.Next(-1);
    std::string* fields[kFieldCount] = {&dlg->m_strDate, &dlg->m_strWeight, &dlg->m_strChest, &dlg->m_strNeck,
                                        &dlg->m_strArm,  &dlg->m_strLeg,    &dlg->m_strWaist};
    for (int field = 0; field < kFieldCount; ++field) *fields[field] = entry[static_cast<std::size_t>(field)];
    dlg->UpdateData(false);
    Result("add_ms", 1000.0 * TimeCommand(*dlg, IDC_ADD));
    if (dlg->m_listLog.GetItemCount() != rows + 1 || dlg->m_listLog.GetItemText(0, kDate) != entry[kDate])
      Fail("Add did not put the entry on top");

    const int middle = static_cast<int>((rows + 1) / 2);
    const std::string removed = dlg->m_listLog.GetItemText(middle, kDate);
    dlg->m_listLog.SetSelectionMark(middle);
    Result("remove_ms", 1000.0 * TimeCommand(*dlg, IDC_REMOVE));
    if (dlg->m_listLog.GetItemCount() != rows || (rows > 1 && dlg->m_listLog.GetItemText(middle, kDate) == removed))
      Fail("Remove did not delete the marked row");

    Result("report_s", TimeCommand(*dlg, IDC_REPORT));
    if (g_opened != std::vector<std::string>{"Report.htm"}) Fail("the report was not handed to the shell");
  }

  g_endAt = Clock::now();
  dlg->EndDialog(IDCANCEL);
}

class BenchApp : public CGirthminderApp {
 public:
  int ExitInstance() override {
    g_exitAt = Clock::now();
    return CGirthminderApp::ExitInstance();
  }
};

}  // namespace

int main(int argc, char** argv) {
  const double mainAt = RealtimeSeconds();
  if (argc >= 4 && std::strcmp(argv[1], "generate") == 0) return Generate(std::atol(argv[2]), argv[3]);
  if (argc < 2) Fail("usage: log_figures_win32 generate N FILE | session --rows N [--t0 NS] | commands --rows N");
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
  std::fflush(stdout);
  return status;
}
