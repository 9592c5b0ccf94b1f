#pragma once

// The report list over Qt: a table view over our own model of the row store. Full-row,
// multi-row selection; a click notification for every left click inside the list.

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/rows/RowStore.h"

namespace platform {

// The rows as the vertical header knows them: only how many there are. Every row has the same
// height, so the header ends in the same state whether a row came at the top or at the bottom.
// It is told "at the bottom": an insert at the top, where every new entry goes, would make it
// move its record of every row (after a load, into a new buffer: tens of milliseconds for a
// million rows). The table view and the selection still see the real changes.
class RowCountModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void AppendRow();
  void RemoveLastRow();
  void BeginReset();
  void EndReset(int rows);

 private:
  int m_rows = 0;
};

class ListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ListModel(QObject* parent, RowStore::Measure measure);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  RowStore& Store() { return m_store; }
  const RowStore& Store() const { return m_store; }
  RowCountModel* RowCounts() const { return m_rowCounts; }

  int InsertRow(int index, std::span<const std::string_view> texts);
  bool SetText(int row, int column, std::string_view text);
  bool RemoveRow(int row);
  bool SwapTexts(int row1, int row2);
  int InsertColumn(int column, std::string heading, int format);
  const std::string& Heading(int column) const { return m_columns[static_cast<std::size_t>(column)].heading; }

  // While suspended, changes reach the view at once when the model is resumed.
  void Suspend();
  void Resume();
  bool IsSuspended() const { return m_suspended; }

 private:
  void BeginSuspendedReset();  // the first change of the rows while suspended

  struct Column {
    std::string heading;
    int format;
  };
  RowStore m_store;
  RowCountModel* m_rowCounts;
  std::vector<Column> m_columns;
  bool m_suspended = false;
  bool m_rowsChanged = false;  // rows inserted or removed while suspended
  bool m_textChanged = false;  // texts set while suspended
};

class ListView : public QTableView {
  Q_OBJECT

 public:
  explicit ListView(QWidget* parent);

  ListModel& Model() { return *m_model; }
  const ListModel& Model() const { return *m_model; }

  int SelectionMark() const { return m_mark; }
  void SetSelectionMark(int row) { m_mark = row; }

  int InsertRow(int index, std::span<const std::string_view> texts);
  bool RemoveRow(int row);

  int ContentWidth(int column) const;  // fits the widest cell
  int HeadingWidth(int column) const;  // fits the heading; the last column fills the rest
  int AvailableWidth() const;          // the width the columns share

  // A column's width in pixels. While repainting is off, widths are only noted and reach the
  // header once, when it is turned on again; reading gives back what the header will hold.
  void SetColumnWidth(int column, int width);
  int ColumnWidth(int column) const;

  void SetRedraw(bool redraw);
  void SetFullRowSelect(bool on);

  std::function<void()> onClick;  // every left click inside the list

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void initViewItemOption(QStyleOptionViewItem* option) const override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int MeasureText(std::string_view text) const;
  void UpdateCharWidths();
  // The header's own measurements lay out every heading's text again on each call, and
  // autosizing asks for them after every change of the rows: they are kept until the
  // headings, the font or the style change.
  int HeadingHint(int column) const;
  int HeaderHeightHint() const;
  int MinimumColumnWidth() const;
  void ForgetHeaderHints();
  void ApplyPendingWidths();

  ListModel* m_model;
  int m_mark = -1;
  bool m_redraw = true;
  int m_asciiWidths[128] = {};              // advance of each printable ASCII character in the list's font
  mutable std::vector<int> m_headingHints;  // per column, -1 while not measured
  mutable int m_headerHeight = -1;
  mutable int m_minimumWidth = -1;
  mutable int m_textMargin = -1;
  mutable int m_scrollBarExtent = -1;
  std::vector<int> m_pendingWidths;  // per column while repainting is off, -1 for none
};

}  // namespace platform
