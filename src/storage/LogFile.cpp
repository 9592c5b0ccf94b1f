// The log between runs: diet.dat is read into the list when the window opens and written back,
// earliest entry first, when the window is destroyed. The version a save replaces is kept as a
// backup beside it; a save that fails leaves the list in a rescue file.

#include <cstdio>
#include <new>

#include "log/GirthminderDlg.h"
#include "platform/LastChance.h"
#include "platform/WinApp.h"
#include "platform/files/TextFile.h"
#include "storage/format/LogFormat.h"

namespace {
constexpr const char* kLogFileName = "diet.dat";

// The bytes of the log for the list's rows; `bottomUp` reads them from the last row to the
// first (the list shows the newest entry on top).
platform::ByteSource LogSource(const CListCtrl& list, bool bottomUp) {
  return [&list, bottomUp](const platform::ByteWriter& write) {
    const int count = list.GetItemCount();
    return storage::WriteLog(
        static_cast<std::size_t>(count),
        [&list, bottomUp, count](std::size_t row, int field) {
          const int index = bottomUp ? count - 1 - static_cast<int>(row) : static_cast<int>(row);
          return list.ItemTextView(index, field);
        },
        write);
  };
}

// Writes the log to diet.dat, keeping the version replaced as a backup.
bool WriteLogFile(const CListCtrl& list, bool bottomUp) {
  platform::SaveOptions options;
  options.keepBackup = true;
  options.now = CTime::GetCurrentTime().GetTime();
  try {
    return platform::SaveFile(kLogFileName, LogSource(list, bottomUp), options);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Writes the log to a new rescue file; its path, or empty.
std::string WriteRescueFile(const CListCtrl& list, bool bottomUp) {
  try {
    return platform::SaveRescueFile(kLogFileName, CTime::GetCurrentTime().GetTime(), LogSource(list, bottomUp));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace

void CGirthminderDlg::OnDestroy() {
  platform::SetLastChanceHandler({});
  CDialog::OnDestroy();
  UpdateData(true);
  SaveLog();
}

void CGirthminderDlg::LoadLog() {
  UpdateData(true);
  // Each committed record becomes the new top row, so the file's last record ends on top. The
  // list shows the rows once they are all in. The text is parsed as it is read, never whole.
  m_listLog.SetRedraw(false);
  storage::LogParser parser([this](const MeasurementEntry& entry) { m_listLog.InsertItem(0, entry); });
  const platform::TextReadStatus status =
      platform::ReadTextFileInPieces(kLogFileName, [&parser](std::string_view text) { parser.Feed(text); });
  parser.Finish();
  // A log that exists but could not be read whole must never be overwritten by what we show.
  m_logUnreadable = status == platform::TextReadStatus::ReadError ||
                    (status == platform::TextReadStatus::OpenFailed && platform::FileExists(kLogFileName));
  m_listLog.SetRedraw(true);
  AutoSizeColumns();
  RefreshEntryCount();

  ClearForm();
  UpdateData(false);

  // Should the process end without this window ending (the display lost), the list is saved.
  platform::SetLastChanceHandler([this] { SaveLogAtExit(); });
}

void CGirthminderDlg::InsertFormAsTopRow() {
  UpdateData(true);
  RefreshEntryCount();
  if (m_strDate.empty()) return;
  m_listLog.InsertItem(0, m_strDate);
  for (int field = kWeight; field < kFieldCount; ++field) m_listLog.SetItemText(0, field, *FormField(field));
  UpdateData(false);
  AutoSizeColumns();
  RefreshEntryCount();
}

void CGirthminderDlg::SaveLog() {
  ReverseLogOrder();  // the top row is now the earliest entry
  m_listLog.SetRedraw(false);
  ClearForm();
  UpdateData(true);

  const bool saved = !m_logUnreadable && WriteLogFile(m_listLog, false);
  if (!saved) {
    MessageBox("Save to File", "Error Writing File", MB_OK);
    RescueLog();
  }

  ReverseLogOrder();
  m_listLog.SetRedraw(true);
  m_listLog.Invalidate();
  ClearForm();
  UpdateData(false);
}

void CGirthminderDlg::RescueLog() {
  // Nothing in the list, nothing to lose.
  if (m_listLog.GetItemCount() == 0) return;
  const std::string path = WriteRescueFile(m_listLog, false);
  if (!path.empty()) {
    MessageBox("Your entries were kept in\r\n" + path, "Error Writing File", MB_OK);
  } else {
    MessageBox("Your entries could not be kept in a rescue file either.", "Error Writing File", MB_OK);
  }
}

void CGirthminderDlg::SaveLogAtExit() {
  // The window and the display may be gone: the rows are read as they are, without changing
  // the list or showing anything.
  const bool saved = !m_logUnreadable && WriteLogFile(m_listLog, true);
  if (saved) {
    std::fprintf(stderr, "%s: ending without the window: %s saved\n", AfxGetAppTitle().c_str(), kLogFileName);
    return;
  }
  if (m_listLog.GetItemCount() == 0) return;
  const std::string path = WriteRescueFile(m_listLog, true);
  std::fprintf(stderr, "%s: ending without the window: %s not saved; the entries %s %s\n", AfxGetAppTitle().c_str(),
               kLogFileName, path.empty() ? "could not be kept" : "were kept in", path.c_str());
}
