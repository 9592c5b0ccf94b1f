#pragma once

// A report-style list whose rows hold texts, one per column. Row 0 is the top row. The
// selection mark is the row from which the user's last selection started, -1 when none; it
// follows its entry when rows are inserted above it and becomes -1 when its row is deleted.

#include <span>
#include <string>
#include <string_view>

namespace platform {
class ListView;
}

class CListCtrl {
 public:
  CListCtrl() = default;
  CListCtrl(const CListCtrl&) = delete;
  CListCtrl& operator=(const CListCtrl&) = delete;

  bool IsAttached() const { return m_view != nullptr; }
  void Attach(platform::ListView* view) { m_view = view; }
  void Detach() { m_view = nullptr; }

  // Inserts a row at `index` (clamped to 0..count) with `text` in column 0, the other columns
  // empty. Returns the index of the new row.
  int InsertItem(int index, std::string_view text);
  // Inserts a row with all its texts at once, column 0 first.
  int InsertItem(int index, std::span<const std::string> texts);
  bool SetItemText(int row, int column, std::string_view text);
  // The whole text of a cell; empty for a cell outside the list.
  std::string GetItemText(int row, int column) const;
  std::string_view ItemTextView(int row, int column) const;
  bool DeleteItem(int row);
  // Exchanges the texts of two rows, every column; selection state stays with the row number.
  bool SwapItemTexts(int row1, int row2);
  int GetItemCount() const;
  int GetSelectionMark() const;
  void SetSelectionMark(int row);
  bool IsItemSelected(int row) const;

  int InsertColumn(int column, std::string_view heading, int format);
  int GetColumnCount() const;  // the header's item count; -1 when there is no header
  std::string GetColumnHeading(int column) const;
  // `width` in pixels, or LVSCW_AUTOSIZE (fit the cells) or LVSCW_AUTOSIZE_USEHEADER (fit the
  // heading; the last column also fills the rest of the list's width).
  bool SetColumnWidth(int column, int width);
  int GetColumnWidth(int column) const;
  int GetClientWidth() const;  // the width the columns share, in pixels
  void SetExtendedStyle(unsigned style);

  // WM_SETREDRAW: while off, changes are collected and shown at once when it is turned on.
  void SetRedraw(bool redraw);
  void Invalidate();
  bool HasHeader() const;

 private:
  platform::ListView* m_view = nullptr;
};
