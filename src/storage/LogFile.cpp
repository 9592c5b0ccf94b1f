// The log between runs: diet.dat is read into the list when the window opens and written back,
// earliest entry first, when the window is destroyed.

#include "log/GirthminderDlg.h"
#include "platform/files/TextFile.h"
#include "storage/format/LogFormat.h"

namespace {
constexpr const char* kLogFileName = "diet.dat";
}

void CGirthminderDlg::OnDestroy() {
  CDialog::OnDestroy();
  UpdateData(true);
  SaveLog();
}

void CGirthminderDlg::LoadLog() {
  UpdateData(true);
  const platform::TextReadResult file = platform::ReadTextFile(kLogFileName);
  // A log that exists but could not be read whole must never be overwritten by what we show.
  m_logUnreadable = file.status == platform::TextReadStatus::ReadError ||
                    (file.status == platform::TextReadStatus::OpenFailed && platform::FileExists(kLogFileName));

  // Each committed record becomes the new top row, so the file's last record ends on top. The
  // list shows the rows once they are all in.
  m_listLog.SetRedraw(false);
  storage::ParseLog(file.text, [this](const MeasurementEntry& entry) { m_listLog.InsertItem(0, entry); });
  m_listLog.SetRedraw(true);
  AutoSizeColumns();
  RefreshEntryCount();

  ClearForm();
  UpdateData(false);
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

  bool saved = false;
  if (!m_logUnreadable) {
    const auto count = static_cast<std::size_t>(m_listLog.GetItemCount());
    const std::string bytes = storage::FormatLog(
        count, [this](std::size_t row, int field) { return m_listLog.ItemTextView(static_cast<int>(row), field); });
    saved = platform::SaveFileBytes(kLogFileName, bytes);
  }
  if (!saved) MessageBox("Save to File", "Error Writing File", MB_OK);

  ReverseLogOrder();
  m_listLog.SetRedraw(true);
  m_listLog.Invalidate();
  ClearForm();
  UpdateData(false);
}
