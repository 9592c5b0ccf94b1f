#pragma once

// The report list on Windows: a list view control with LVS_OWNERDATA over our own row store.
// The control asks for the texts of the rows it shows; widths for autosizing come from the
// store's cached text widths, so no autosize ever walks the rows.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowsHeaders.h"
#include "platform/rows/RowStore.h"

namespace platform {

// Posted to a list's dialog after rows were inserted or removed; see ListView::Flush.
inline constexpr UINT kFlushListsMessage = WM_APP + 0x4C;

class ListView {
 public:
  explicit ListView(HWND list);
  ~ListView();
  ListView(const ListView&) = delete;
  ListView& operator=(const ListView&) = delete;

  HWND Handle() const { return m_list; }
  RowStore& Store() { return m_store; }
  const RowStore& Store() const { return m_store; }
  int Count() const { return m_store.Count(); }

  int InsertRow(int index, std::span<const std::string_view> texts);
  bool SetText(int row, int column, std::string_view text);
  bool RemoveRow(int row);
  bool SwapTexts(int row1, int row2);

  int InsertColumn(int column, std::string heading, int format);
  int ColumnCount() const;  // the header's item count, -1 without a header
  std::string Heading(int column) const;

  int ContentWidth(int column) const;  // fits the widest cell
  int HeadingWidth(int column) const;  // fits the heading; the last column fills the rest
  int AvailableWidth() const;          // the width the columns share
  // A column's width in pixels. While repainting is off, widths are only noted and reach the
  // control once, when it is turned on again, so that autosizing (three widths per column)
  // moves no column back and forth; reading gives back what the control will hold.
  void SetColumnWidth(int column, int width);
  int ColumnWidth(int column) const;

  // Reading or setting the selection first tells the control of rows it has not heard of.
  int SelectionMark();
  void SetSelectionMark(int row);
  bool Select(int row, bool selected);
  bool IsSelected(int row);
  // What a posted kFlushListsMessage does: the control learns of the rows inserted or removed.
  void Flush();

  void SetRedraw(bool redraw);
  void Invalidate();

  // Notifications from the control to its dialog; true when handled here.
  bool OnNotify(NMHDR* header, LRESULT* result);

 private:
  int MeasureText(std::string_view text) const;
  int MeasureHeading(std::string_view text) const;
  // Rows inserted (delta > 0) or one deleted (delta -1) at `row`: the selection, the focus and
  // the mark follow their entries. While repainting is off the shifts are gathered and the
  // control hears of them once, when it is turned on again.
  struct Shift {
    int row;
    int delta;
  };
  void NoteShift(int row, int delta);
  void ApplyShifts();
  void ApplyPendingWidths();

  HWND m_list;
  HFONT m_font = nullptr;
  HDC m_measureDC = nullptr;
  int m_asciiWidths[128] = {};
  RowStore m_store;
  std::vector<std::string> m_headings;
  bool m_redraw = true;
  std::vector<Shift> m_shifts;       // not yet told to the control
  std::vector<int> m_pendingWidths;  // per column while repainting is off, -1 for none
  bool m_changedWhileOff = false;    // texts set while repainting was off
  bool m_flushPosted = false;
  std::wstring m_shown;  // the text last handed to the control
};

}  // namespace platform
