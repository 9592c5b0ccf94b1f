// The editing commands: Add, Update, Remove, Clear, and the date selection.

#include <string>

#include "log/DateSelectDlg.h"
#include "log/GirthminderDlg.h"
#include "platform/WinApp.h"
#include "res/Resources.h"

void CGirthminderDlg::OnAdd() {
  UpdateData(true);
  UpdateData(true);
  if (m_strDate.empty()) {
    MessageBox("Date Cannot be Blank.\r\nNo entry added.", "Error", MB_OK);
  } else if (!IsDuplicateDate() ||
             AfxMessageBox("This entry is already in the list.\r\nDo you really want to add this item?", MB_YESNO) ==
                 IDYES) {
    // A new entry always goes on top, whatever its date.
    m_listLog.InsertItem(0, m_strDate);
    for (int field = kWeight; field < kFieldCount; ++field) m_listLog.SetItemText(0, field, *FormField(field));
    AutoSizeColumns();
    RefreshEntryCount();
  }
  UpdateData(false);
}

bool CGirthminderDlg::IsDuplicateDate() {
  UpdateData(true);
  m_nEntryCount = m_listLog.GetItemCount();
  if (m_nEntryCount <= 0) return false;
  for (int i = 0; i < m_nEntryCount; ++i) {
    if (m_listLog.ItemTextView(i, kDate) == m_strDate) return true;
  }
  return false;
}

void CGirthminderDlg::OnUpdate() {
  UpdateData(true);
  UpdateData(true);
  if (!m_strDate.empty()) {
    const int row = m_listLog.GetSelectionMark();
    if (row != -1) WriteFormToRow(row);
  }
  AutoSizeColumns();
  UpdateData(false);
}

void CGirthminderDlg::OnRemove() {
  UpdateData(true);
  const int row = m_listLog.GetSelectionMark();
  if (row != -1) m_listLog.DeleteItem(row);
  AutoSizeColumns();
  RefreshEntryCount();
  UpdateData(false);
}

void CGirthminderDlg::ClearForm() {
  UpdateData(true);
  for (int field = 0; field < kFieldCount; ++field) FormField(field)->clear();
  UpdateData(false);
}

void CGirthminderDlg::OnSelectDate() {
  UpdateData(true);
  UpdateData(true);

  CDateSelectDlg dlg(this);
  dlg.m_time = CTime::GetCurrentTime();
  dlg.DoModal();

  std::tm local{};
  if (dlg.m_time.GetLocalTm(&local)) {
    std::string month = std::to_string(local.tm_mon + 1);
    std::string day = std::to_string(local.tm_mday);
    if (month.size() < 2) month.insert(0, "0");
    if (day.size() < 2) day.insert(0, "0");
    m_strDate = std::to_string(local.tm_year + 1900) + "-" + month + "-" + day;
    UpdateData(false);
  }
  UpdateData(false);
}
