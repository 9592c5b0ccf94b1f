// The progress report: every row through the entry template, the joined entries into the page
// template, written to Report.htm and handed to the shell.

#include <new>
#include <string>

#include "log/GirthminderDlg.h"
#include "platform/WinApp.h"
#include "platform/files/TextFile.h"
#include "report/text/ReportText.h"

namespace {
constexpr const char* kPageTemplateFile = "ReportOutter.htm";
constexpr const char* kEntryTemplateFile = "ReportInner.htm";
constexpr const char* kReportFile = "Report.htm";
constexpr const char* kLogFile = "diet.dat";
}  // namespace

void CGirthminderDlg::OnReport() {
  UpdateData(true);
  try {
    BuildReport();
  } catch (const std::bad_alloc&) {
    // The report's own failure: the earlier report stays, and the list is untouched.
    MessageBox("Could not write to report file", "Error Log", MB_OK);
  }
  UpdateData(false);
}

std::string CGirthminderDlg::ReadTemplateFile(const std::string& fileName) {
  platform::TextReadResult file = platform::ReadTextFile(fileName);
  if (file.status == platform::TextReadStatus::OpenFailed) {
    MessageBox("Error loading file", "Error", MB_OK);
    return {};
  }
  return std::move(file.text);
}

void CGirthminderDlg::BuildReport() {
  const std::string pageText = ReadTemplateFile(kPageTemplateFile);
  const std::string entryText = ReadTemplateFile(kEntryTemplateFile);
  const int rows = m_listLog.GetItemCount();

  const std::string reportText = report::BuildReportText(
      pageText, entryText, static_cast<std::size_t>(rows), [this](std::size_t row, MeasurementEntry& entry) {
        for (int field = 0; field < kFieldCount; ++field)
          entry[field] = m_listLog.ItemTextView(static_cast<int>(row), field);
      });
  // Every row passes through the form in turn; the form ends showing the bottom row.
  if (rows > 0) {
    RowToForm(rows - 1);
    UpdateData(false);
  }

  // A Report.htm that is the log or a template (a link to it, another hard link of it) is never
  // written over.
  const bool isDataFile = platform::IsSameFile(kReportFile, kLogFile) ||
                          platform::IsSameFile(kReportFile, kPageTemplateFile) ||
                          platform::IsSameFile(kReportFile, kEntryTemplateFile);
  if (isDataFile || !platform::SaveTextFile(kReportFile, reportText))
    MessageBox("Could not write to report file", "Error Log", MB_OK);
  ShellOpen(kReportFile);
}
