#include "platform/win32/ListView.h"

#include <algorithm>

#include "platform/win32/Text.h"

namespace platform {
namespace {

// Room around a text: the list view draws a cell's text, and the header its heading, with
// this much space beside it.
constexpr int kTextPadding = 12;

int FormatFlags(int format) {
  switch (format) {
    case LVCFMT_RIGHT:
      return LVCFMT_RIGHT;
    case LVCFMT_CENTER:
      return LVCFMT_CENTER;
    default:
      return LVCFMT_LEFT;
  }
}

int TextWidth(HDC dc, std::string_view text) {
  const std::wstring wide = WideFromBytes(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

}  // namespace

ListView::ListView(HWND list) : m_list(list), m_store(0, [this](std::string_view text) { return MeasureText(text); }) {
  m_font = reinterpret_cast<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0));
  m_measureDC = CreateCompatibleDC(nullptr);
  SelectObject(m_measureDC, m_font ? static_cast<HGDIOBJ>(m_font) : GetStockObject(DEFAULT_GUI_FONT));
  for (int c = 0; c < 128; ++c) {
    INT width = -1;
    if (c >= 0x20 && c < 0x7F) GetCharWidth32W(m_measureDC, static_cast<UINT>(c), static_cast<UINT>(c), &width);
    m_asciiWidths[c] = width;
  }
}

ListView::~ListView() {
  if (m_measureDC) DeleteDC(m_measureDC);
}

int ListView::MeasureText(std::string_view text) const {
  int width = 0;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 128 || m_asciiWidths[byte] < 0) return TextWidth(m_measureDC, text);
    width += m_asciiWidths[byte];
  }
  return width;
}

int ListView::MeasureHeading(std::string_view text) const {
  const HWND header = ListView_GetHeader(m_list);
  const auto font = header ? reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)) : nullptr;
  if (!font || font == m_font) return TextWidth(m_measureDC, text);
  const HGDIOBJ old = SelectObject(m_measureDC, font);
  const int width = TextWidth(m_measureDC, text);
  SelectObject(m_measureDC, old);
  return width;
}

int ListView::InsertRow(int index, std::span<const std::string_view> texts) {
  index = std::clamp(index, 0, m_store.Count());
  m_store.Insert(index, texts);
  NoteShift(index, 1);
  return index;
}

bool ListView::SetText(int row, int column, std::string_view text) {
  if (row < 0 || row >= m_store.Count() || column < 0 || column >= m_store.Columns()) return false;
  m_store.Set(row, column, text);
  if (m_redraw)
    ListView_RedrawItems(m_list, row, row);
  else
    m_changedWhileOff = true;
  return true;
}

bool ListView::RemoveRow(int row) {
  if (row < 0 || row >= m_store.Count()) return false;
  m_store.Erase(row);
  NoteShift(row, -1);
  return true;
}

bool ListView::SwapTexts(int row1, int row2) {
  if (row1 < 0 || row2 < 0 || row1 >= m_store.Count() || row2 >= m_store.Count()) return false;
  m_store.Swap(row1, row2);
  if (m_redraw) {
    ListView_RedrawItems(m_list, row1, row1);
    ListView_RedrawItems(m_list, row2, row2);
  } else {
    m_changedWhileOff = true;
  }
  return true;
}

void ListView::NoteShift(int row, int delta) {
  if (!m_shifts.empty() && delta > 0 && m_shifts.back().delta > 0 && m_shifts.back().row == row)
    m_shifts.back().delta += delta;  // a load inserts every row at the top: one shift
  else
    m_shifts.push_back({row, delta});
  // The control hears of it once the handler that changed the rows has returned (or sooner,
  // when the selection is read), so that an insert and the autosize after it cost the
  // control one update, not two.
  if (m_redraw && !m_flushPosted) m_flushPosted = PostMessageW(GetParent(m_list), kFlushListsMessage, 0, 0) != 0;
}

void ListView::Flush() {
  m_flushPosted = false;
  if (m_redraw) ApplyShifts();
}

void ListView::ApplyShifts() {
  if (m_shifts.empty()) return;
  const auto follow = [this](int row) {
    for (const Shift& shift : m_shifts) {
      if (row < 0) break;
      if (shift.delta > 0) {
        if (row >= shift.row) row += shift.delta;
      } else if (row == shift.row) {
        row = -1;
      } else if (row > shift.row) {
        row += shift.delta;
      }
    }
    return row;
  };

  const int mark = ListView_GetSelectionMark(m_list);
  const int focus = ListView_GetNextItem(m_list, -1, LVNI_FOCUSED);
  std::vector<int> selected;
  if (ListView_GetSelectedCount(m_list) > 0) {
    for (int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(m_list, row, LVNI_SELECTED))
      selected.push_back(row);
    ListView_SetItemState(m_list, -1, 0, LVIS_SELECTED);
  }
  if (focus >= 0) ListView_SetItemState(m_list, focus, 0, LVIS_FOCUSED);

  ListView_SetItemCountEx(m_list, m_store.Count(), LVSICF_NOSCROLL);

  for (int row : selected)
    if ((row = follow(row)) >= 0) ListView_SetItemState(m_list, row, LVIS_SELECTED, LVIS_SELECTED);
  if (const int row = follow(focus); row >= 0) ListView_SetItemState(m_list, row, LVIS_FOCUSED, LVIS_FOCUSED);
  ListView_SetSelectionMark(m_list, follow(mark));
  m_shifts.clear();
  InvalidateRect(m_list, nullptr, TRUE);
}

int ListView::InsertColumn(int column, std::string heading, int format) {
  ApplyPendingWidths();  // noted widths belong to the columns as they are
  column = std::clamp(column, 0, static_cast<int>(m_headings.size()));
  const std::wstring text = WideFromBytes(heading);
  LVCOLUMNW info{};
  info.mask = LVCF_FMT | LVCF_TEXT;
  info.fmt = FormatFlags(format);
  info.pszText = const_cast<wchar_t*>(text.c_str());
  const int inserted = static_cast<int>(
      SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
  if (inserted < 0) return -1;
  m_store.InsertColumn(inserted);
  m_headings.insert(m_headings.begin() + inserted, std::move(heading));
  return inserted;
}

int ListView::ColumnCount() const {
  const HWND header = ListView_GetHeader(m_list);
  return header ? Header_GetItemCount(header) : -1;
}

std::string ListView::Heading(int column) const {
  return column >= 0 && column < static_cast<int>(m_headings.size()) ? m_headings[static_cast<std::size_t>(column)]
                                                                     : std::string{};
}

int ListView::ContentWidth(int column) const { return m_store.MaxWidth(column) + kTextPadding; }

int ListView::AvailableWidth() const {
  RECT client{};
  GetClientRect(m_list, &client);
  int width = client.right - client.left;
  // Rows not yet told to the control may bring or take away its vertical scroll bar.
  const bool needsScrollBar = m_store.Count() > ListView_GetCountPerPage(m_list);
  const bool hasScrollBar = (GetWindowLongPtrW(m_list, GWL_STYLE) & WS_VSCROLL) != 0;
  if (needsScrollBar && !hasScrollBar) width -= GetSystemMetrics(SM_CXVSCROLL);
  if (!needsScrollBar && hasScrollBar) width += GetSystemMetrics(SM_CXVSCROLL);
  return width;
}

int ListView::HeadingWidth(int column) const {
  int width = MeasureHeading(Heading(column)) + kTextPadding;
  if (column == static_cast<int>(m_headings.size()) - 1) {
    int others = 0;
    for (int c = 0; c < column; ++c) others += ColumnWidth(c);
    width = std::max(width, AvailableWidth() - others);
  }
  return width;
}

void ListView::SetColumnWidth(int column, int width) {
  width = std::clamp(width, 0, 0xFFFF);  // the width travels in 16 bits
  if (m_redraw) {
    ListView_SetColumnWidth(m_list, column, width);
    return;
  }
  if (column < 0 || column >= static_cast<int>(m_headings.size())) return;
  m_pendingWidths.resize(m_headings.size(), -1);
  m_pendingWidths[static_cast<std::size_t>(column)] = width;
}

int ListView::ColumnWidth(int column) const {
  if (column >= 0 && static_cast<std::size_t>(column) < m_pendingWidths.size() &&
      m_pendingWidths[static_cast<std::size_t>(column)] >= 0)
    return m_pendingWidths[static_cast<std::size_t>(column)];
  return ListView_GetColumnWidth(m_list, column);
}

void ListView::ApplyPendingWidths() {
  std::vector<int> widths;
  widths.swap(m_pendingWidths);
  for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
    const int width = widths[static_cast<std::size_t>(column)];
    if (width >= 0 && width != ListView_GetColumnWidth(m_list, column)) ListView_SetColumnWidth(m_list, column, width);
  }
}

int ListView::SelectionMark() {
  ApplyShifts();
  return ListView_GetSelectionMark(m_list);
}

void ListView::SetSelectionMark(int row) {
  ApplyShifts();
  ListView_SetSelectionMark(m_list, row);
}

bool ListView::Select(int row, bool selected) {
  if (row < 0 || row >= m_store.Count()) return false;
  ApplyShifts();
  ListView_SetItemState(m_list, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
  return true;
}

bool ListView::IsSelected(int row) {
  ApplyShifts();
  return row >= 0 && row < m_store.Count() && (ListView_GetItemState(m_list, row, LVIS_SELECTED) & LVIS_SELECTED);
}

void ListView::SetRedraw(bool redraw) {
  if (redraw == m_redraw) return;
  m_redraw = redraw;
  // Nothing reaches the control while repainting is off (rows, texts and widths wait here),
  // so the control itself is never switched: that costs the system a restyle of the window
  // each way.
  if (redraw) {
    ApplyShifts();
    ApplyPendingWidths();
    if (m_changedWhileOff) InvalidateRect(m_list, nullptr, TRUE);
    m_changedWhileOff = false;
  }
}

void ListView::Invalidate() { InvalidateRect(m_list, nullptr, TRUE); }

bool ListView::OnNotify(NMHDR* header, LRESULT* result) {
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        m_shown = WideFromBytes(m_store.Get(item.iItem, item.iSubItem));
        const std::size_t length = std::min<std::size_t>(m_shown.size(), static_cast<std::size_t>(item.cchTextMax - 1));
        std::copy_n(m_shown.data(), length, item.pszText);
        item.pszText[length] = L'\0';
      }
      *result = 0;
      return true;
    }
    case LVN_ODFINDITEMW:
      *result = -1;  // typing a letter looks for no row
      return true;
    default:
      return false;
  }
}

}  // namespace platform
