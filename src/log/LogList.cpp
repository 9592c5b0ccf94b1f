// The list of entries: its columns and their widths, a row into the form, the entry count,
// and the reversal of the row order.

#include <algorithm>
#include <array>

#include "log/GirthminderDlg.h"
#include "res/Resources.h"

const CGirthminderDlg::LogColumn CGirthminderDlg::kLogColumns[kFieldCount] = {
    {"Date", LVCFMT_LEFT}, {"Weight", LVCFMT_LEFT}, {"Chest", LVCFMT_LEFT}, {"Neck", LVCFMT_LEFT},
    {"Arm", LVCFMT_LEFT},  {"Leg", LVCFMT_LEFT},    {"Waist", LVCFMT_LEFT},
};

void CGirthminderDlg::SetupColumns() {
  for (int i = 0; i < kFieldCount; ++i) m_listLog.InsertColumn(i, kLogColumns[i].heading, kLogColumns[i].format);
  m_listLog.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  AutoSizeColumns();
}

void CGirthminderDlg::AutoSizeColumns() {
  if (!m_listLog.HasHeader()) return;
  m_listLog.SetRedraw(false);
  const int columns = m_listLog.GetColumnCount();
  for (int i = 0; i < columns; ++i) {
    m_listLog.SetColumnWidth(i, LVSCW_AUTOSIZE);
    const int contentWidth = m_listLog.GetColumnWidth(i);
    m_listLog.SetColumnWidth(i, LVSCW_AUTOSIZE_USEHEADER);
    const int headingWidth = m_listLog.GetColumnWidth(i);
    m_listLog.SetColumnWidth(i, contentWidth > headingWidth ? contentWidth : headingWidth);
  }
  m_listLog.SetRedraw(true);
  m_listLog.Invalidate();
}

void CGirthminderDlg::RowToForm(int row) {
  UpdateData(true);
  // Only rows that exist are read; any other row leaves the form as it is.
  if (row >= 0 && row < m_listLog.GetItemCount()) {
    for (int field = 0; field < kFieldCount; ++field) *FormField(field) = m_listLog.GetItemText(row, field);
  }
  UpdateData(false);
}

void CGirthminderDlg::RefreshEntryCount() {
  m_nEntryCount = m_listLog.GetItemCount();
  UpdateData(false);
}

void CGirthminderDlg::OnClickLogList(const NMHDR*, LRESULT* pResult) {
  const int row = m_listLog.GetSelectionMark();
  if (row >= 0) RowToForm(row);
  *pResult = 0;
}

void CGirthminderDlg::ReverseLogOrder() {
  UpdateData(true);
  m_nEntryCount = m_listLog.GetItemCount();
  // Only the texts move: selection state stays with the row number. The swaps reach the view
  // as one change.
  m_listLog.SetRedraw(false);
  for (int j = 0; j < m_nEntryCount / 2; ++j) {
    const int k = m_nEntryCount - 1 - j;
    m_listLog.SwapItemTexts(j, k);
  }
  m_listLog.SetRedraw(true);
  m_listLog.Invalidate();
  UpdateData(false);
}

void CGirthminderDlg::WriteFormToRow(int row) {
  for (int field = 0; field < kFieldCount; ++field) m_listLog.SetItemText(row, field, *FormField(field));
}
