// Inserts entries one at a time at the top of the real main dialog's list, as Add does: the row
// with its date, the six measurements, then AutoSizeColumns. Prints the total time.
//
//   list_insert [N]     N entries, 100000 by default; run with QT_QPA_PLATFORM=offscreen

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 100000;
  if (count <= 0) bench::Fail("the number of entries must be positive");

  platform::InitApplicationForTests("girthminder");
  platform::SetMessageBoxHook(
      [](const platform::MessageBoxCall& call) -> int { bench::Fail("unexpected message box: " + call.text); });

  // The dialog reads and writes diet.dat in the current directory: use an empty one.
  char pattern[] = "/tmp/girthminder-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) bench::Fail("no temporary directory");
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(pattern);

  std::vector<MeasurementEntry> entries;
  entries.reserve(static_cast<std::size_t>(count));
  bench::EntryMaker maker;
  for (long day = 0; day < count; ++day) entries.push_back(maker.Next(day));

  {
    CGirthminderDlg dlg;
    dlg.Create();
    CListCtrl& list = dlg.m_listLog;

    const bench::Clock::time_point start = bench::Clock::now();
    for (const MeasurementEntry& entry : entries) {
      list.InsertItem(0, entry[kDate]);
      for (int field = kWeight; field < kFieldCount; ++field) list.SetItemText(0, field, entry[field]);
      dlg.AutoSizeColumns();
    }
    const double seconds = bench::Seconds(start, bench::Clock::now());

    if (list.GetItemCount() != count || list.GetItemText(0, kDate) != entries.back()[kDate] ||
        list.GetItemText(static_cast<int>(count - 1), kWaist) != entries.front()[kWaist])
      bench::Fail("the list does not hold the entries in insertion order");
    std::printf(
        "inserted %ld rows one at a time at the top, each followed by AutoSizeColumns: %.3f s (%.2f us a row)\n", count,
        seconds, 1e6 * seconds / static_cast<double>(count));

    dlg.EndDialog(IDCANCEL);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  std::filesystem::current_path(home);
  std::filesystem::remove_all(pattern);
  return 0;
}
