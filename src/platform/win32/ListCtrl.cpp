#include "platform/ListCtrl.h"

#include <array>
#include <vector>

#include "platform/Win32Types.h"
#include "platform/win32/ListView.h"

int CListCtrl::InsertItem(int index, std::string_view text) {
  return m_view ? m_view->InsertRow(index, std::span<const std::string_view>(&text, 1)) : -1;
}

int CListCtrl::InsertItem(int index, std::span<const std::string> texts) {
  if (!m_view) return -1;
  // The loader inserts every entry this way: no allocation for the usual few columns.
  constexpr std::size_t kFew = 16;
  if (texts.size() <= kFew) {
    std::array<std::string_view, kFew> views;
    std::copy(texts.begin(), texts.end(), views.begin());
    return m_view->InsertRow(index, std::span<const std::string_view>(views.data(), texts.size()));
  }
  std::vector<std::string_view> views(texts.begin(), texts.end());
  return m_view->InsertRow(index, views);
}

bool CListCtrl::SetItemText(int row, int column, std::string_view text) {
  return m_view && m_view->SetText(row, column, text);
}

std::string CListCtrl::GetItemText(int row, int column) const { return std::string(ItemTextView(row, column)); }

std::string_view CListCtrl::ItemTextView(int row, int column) const {
  return m_view ? m_view->Store().Get(row, column) : std::string_view{};
}

bool CListCtrl::DeleteItem(int row) { return m_view && m_view->RemoveRow(row); }

bool CListCtrl::SwapItemTexts(int row1, int row2) { return m_view && m_view->SwapTexts(row1, row2); }

int CListCtrl::GetItemCount() const { return m_view ? m_view->Count() : 0; }

int CListCtrl::GetSelectionMark() const { return m_view ? m_view->SelectionMark() : -1; }

void CListCtrl::SetSelectionMark(int row) {
  if (m_view) m_view->SetSelectionMark(row);
}

bool CListCtrl::IsItemSelected(int row) const { return m_view && m_view->IsSelected(row); }

int CListCtrl::InsertColumn(int column, std::string_view heading, int format) {
  return m_view ? m_view->InsertColumn(column, std::string(heading), format) : -1;
}

int CListCtrl::GetColumnCount() const { return m_view ? m_view->ColumnCount() : -1; }

std::string CListCtrl::GetColumnHeading(int column) const { return m_view ? m_view->Heading(column) : std::string{}; }

bool CListCtrl::SetColumnWidth(int column, int width) {
  if (!m_view || column < 0 || column >= GetColumnCount()) return false;
  // The control's own automatic widths would ask for the text of every row: ours come from
  // the widths the row store keeps.
  if (width == LVSCW_AUTOSIZE)
    width = m_view->ContentWidth(column);
  else if (width == LVSCW_AUTOSIZE_USEHEADER)
    width = m_view->HeadingWidth(column);
  m_view->SetColumnWidth(column, width);
  return true;
}

int CListCtrl::GetColumnWidth(int column) const {
  if (!m_view || column < 0 || column >= GetColumnCount()) return 0;
  return m_view->ColumnWidth(column);
}

int CListCtrl::GetClientWidth() const { return m_view ? m_view->AvailableWidth() : 0; }

void CListCtrl::SetExtendedStyle(unsigned style) {
  if (m_view) ListView_SetExtendedListViewStyleEx(m_view->Handle(), 0, style);
}

void CListCtrl::SetRedraw(bool redraw) {
  if (m_view) m_view->SetRedraw(redraw);
}

void CListCtrl::Invalidate() {
  if (m_view) m_view->Invalidate();
}

bool CListCtrl::HasHeader() const { return m_view && ListView_GetHeader(m_view->Handle()) != nullptr; }
