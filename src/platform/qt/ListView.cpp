#include "platform/qt/ListView.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "platform/Win32Types.h"

namespace platform {
namespace {

Qt::Alignment AlignmentOf(int format) {
  const Qt::Alignment horizontal = format == LVCFMT_RIGHT    ? Qt::AlignRight
                                   : format == LVCFMT_CENTER ? Qt::AlignHCenter
                                                             : Qt::AlignLeft;
  return horizontal | Qt::AlignVCenter;
}

// The buttons the list reacts to: the left one selects and clicks, the right one selects.
bool SelectingButton(Qt::MouseButton button) { return button == Qt::LeftButton || button == Qt::RightButton; }

// What the list shows of a very long cell: its first bytes (whole characters) and an ellipsis.
// The stored text stays whole; only what is drawn and measured is bounded, so that a value of
// megabytes costs no more to paint or to fit than one of a few thousand characters.
constexpr std::size_t kShownBytes = 4096;

std::string_view ShownPrefix(std::string_view text) {
  if (text.size() <= kShownBytes) return text;
  std::size_t cut = kShownBytes;
  // Back to the start of a UTF-8 character (at most three continuation bytes).
  for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++i) --cut;
  return text.substr(0, cut);
}

QString ShownText(std::string_view text) {
  const std::string_view shown = ShownPrefix(text);
  QString result = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
  if (shown.size() < text.size()) result += QChar(0x2026);
  return result;
}

}  // namespace

int RowCountModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

QVariant RowCountModel::data(const QModelIndex&, int) const { return {}; }

QVariant RowCountModel::headerData(int, Qt::Orientation, int) const { return {}; }

void RowCountModel::AppendRow() {
  beginInsertRows({}, m_rows, m_rows);
  ++m_rows;
  endInsertRows();
}

void RowCountModel::RemoveLastRow() {
  if (m_rows == 0) return;
  beginRemoveRows({}, m_rows - 1, m_rows - 1);
  --m_rows;
  endRemoveRows();
}

void RowCountModel::BeginReset() { beginResetModel(); }

void RowCountModel::EndReset(int rows) {
  m_rows = rows;
  endResetModel();
}

ListModel::ListModel(QObject* parent, RowStore::Measure measure)
    : QAbstractTableModel(parent), m_store(0, std::move(measure)), m_rowCounts(new RowCountModel(this)) {}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_store.Count(); }

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_store.Count() || index.column() >= columnCount()) return {};
  if (role == Qt::DisplayRole) return ShownText(m_store.Get(index.row(), index.column()));
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(AlignmentOf(m_columns[static_cast<std::size_t>(index.column())].format));
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString::fromStdString(m_columns[static_cast<std::size_t>(section)].heading);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

int ListModel::InsertRow(int index, std::span<const std::string_view> texts) {
  index = std::clamp(index, 0, m_store.Count());
  if (m_suspended) {
    BeginSuspendedReset();
    m_store.Insert(index, texts);
  } else {
    beginInsertRows({}, index, index);
    m_store.Insert(index, texts);
    m_rowCounts->AppendRow();  // the header first, as when it follows the model itself
    endInsertRows();
  }
  return index;
}

bool ListModel::SetText(int row, int column, std::string_view text) {
  if (row < 0 || row >= m_store.Count() || column < 0 || column >= columnCount()) return false;
  m_store.Set(row, column, text);
  if (m_suspended)
    m_textChanged = true;
  else
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
  return true;
}

bool ListModel::RemoveRow(int row) {
  if (row < 0 || row >= m_store.Count()) return false;
  if (m_suspended) {
    BeginSuspendedReset();
    m_store.Erase(row);
  } else {
    beginRemoveRows({}, row, row);
    m_store.Erase(row);
    m_rowCounts->RemoveLastRow();
    endRemoveRows();
  }
  return true;
}

bool ListModel::SwapTexts(int row1, int row2) {
  if (row1 < 0 || row2 < 0 || row1 >= m_store.Count() || row2 >= m_store.Count()) return false;
  m_store.Swap(row1, row2);
  if (m_suspended) {
    m_textChanged = true;
  } else {
    const int last = columnCount() - 1;
    emit dataChanged(index(row1, 0), index(row1, last), {Qt::DisplayRole});
    emit dataChanged(index(row2, 0), index(row2, last), {Qt::DisplayRole});
  }
  return true;
}

int ListModel::InsertColumn(int column, std::string heading, int format) {
  column = std::clamp(column, 0, columnCount());
  beginInsertColumns({}, column, column);
  m_store.InsertColumn(column);
  m_columns.insert(m_columns.begin() + column, Column{std::move(heading), format});
  endInsertColumns();
  return column;
}

void ListModel::Suspend() { m_suspended = true; }

void ListModel::BeginSuspendedReset() {
  if (m_rowsChanged) return;
  m_rowsChanged = true;
  beginResetModel();
  m_rowCounts->BeginReset();
}

void ListModel::Resume() {
  if (!m_suspended) return;
  m_suspended = false;
  if (m_rowsChanged) {
    m_rowCounts->EndReset(m_store.Count());
    endResetModel();
  } else if (m_textChanged && m_store.Count() > 0) {
    emit dataChanged(index(0, 0), index(m_store.Count() - 1, columnCount() - 1), {Qt::DisplayRole});
  }
  m_rowsChanged = m_textChanged = false;
}

ListView::ListView(QWidget* parent)
    : QTableView(parent), m_model(new ListModel(this, [this](std::string_view text) { return MeasureText(text); })) {
  // Cell widths are sums of character advances; without kerning that is exactly what is drawn.
  QFont unkerned = font();
  unkerned.setKerning(false);
  setFont(unkerned);
  UpdateCharWidths();

  setModel(m_model);
  verticalHeader()->setModel(m_model->RowCounts());
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);  // the list is one stop in the tab order
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  horizontalHeader()->installEventFilter(this);
  // Noted widths belong to the columns as they are: they go to the header before columns move.
  connect(m_model, &QAbstractItemModel::columnsAboutToBeInserted, this, &ListView::ApplyPendingWidths);
  connect(m_model, &QAbstractItemModel::columnsAboutToBeRemoved, this, &ListView::ApplyPendingWidths);
  connect(m_model, &QAbstractItemModel::columnsInserted, this, &ListView::ForgetHeaderHints);
  connect(m_model, &QAbstractItemModel::columnsRemoved, this, &ListView::ForgetHeaderHints);
  connect(m_model, &QAbstractItemModel::headerDataChanged, this, &ListView::ForgetHeaderHints);
}

int ListView::HeadingHint(int column) const {
  const QHeaderView* header = horizontalHeader();
  if (m_headingHints.size() != static_cast<std::size_t>(header->count()))
    m_headingHints.assign(static_cast<std::size_t>(header->count()), -1);
  int& hint = m_headingHints[static_cast<std::size_t>(column)];
  if (hint < 0) hint = header->sectionSizeHint(column);
  return hint;
}

int ListView::HeaderHeightHint() const {
  if (m_headerHeight < 0) m_headerHeight = horizontalHeader()->sizeHint().height();
  return m_headerHeight;
}

int ListView::MinimumColumnWidth() const {
  if (m_minimumWidth < 0) m_minimumWidth = horizontalHeader()->minimumSectionSize();
  return m_minimumWidth;
}

void ListView::ForgetHeaderHints() {
  m_headingHints.clear();
  m_headerHeight = m_minimumWidth = m_textMargin = m_scrollBarExtent = -1;
}

void ListView::SetColumnWidth(int column, int width) {
  QHeaderView* header = horizontalHeader();
  if (column < 0 || column >= header->count()) return;
  if (m_redraw) {
    header->resizeSection(column, width);
    return;
  }
  // The header's own rule: a width outside 0..kMaxSection is refused, any other but 0 is
  // kept between the minimum and the maximum section size.
  constexpr int kMaxSection = 1048575;
  if (width < 0 || width > kMaxSection) return;
  if (width > 0) width = std::max(MinimumColumnWidth(), std::min(header->maximumSectionSize(), width));
  if (m_pendingWidths.size() != static_cast<std::size_t>(header->count()))
    m_pendingWidths.assign(static_cast<std::size_t>(header->count()), -1);
  m_pendingWidths[static_cast<std::size_t>(column)] = width;
}

int ListView::ColumnWidth(int column) const {
  if (column >= 0 && static_cast<std::size_t>(column) < m_pendingWidths.size() &&
      m_pendingWidths[static_cast<std::size_t>(column)] >= 0)
    return m_pendingWidths[static_cast<std::size_t>(column)];
  return horizontalHeader()->sectionSize(column);
}

void ListView::ApplyPendingWidths() {
  std::vector<int> widths;
  widths.swap(m_pendingWidths);
  QHeaderView* header = horizontalHeader();
  for (int c = 0; c < static_cast<int>(widths.size()) && c < header->count(); ++c) {
    const int width = widths[static_cast<std::size_t>(c)];
    // Asked even for an unchanged width, the header works out its minimum size again.
    if (width < 0 || header->sectionSize(c) == width) continue;
    header->resizeSection(c, width);
    Q_ASSERT(header->sectionSize(c) == width);
  }
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()) {
    switch (event->type()) {
      case QEvent::Polish:
      case QEvent::FontChange:
      case QEvent::StyleChange:
      case QEvent::LayoutDirectionChange:
        ForgetHeaderHints();
        break;
      default:
        break;
    }
  }
  return QTableView::eventFilter(watched, event);
}

void ListView::UpdateCharWidths() {
  const QFontMetrics metrics(font());
  for (int c = 0; c < 128; ++c) m_asciiWidths[c] = c >= 0x20 && c < 0x7F ? metrics.horizontalAdvance(QChar(c)) : -1;
}

int ListView::MeasureText(std::string_view text) const {
  if (text.size() > kShownBytes) return QFontMetrics(font()).horizontalAdvance(ShownText(text));
  int width = 0;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 128 || m_asciiWidths[byte] < 0) {
      const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      return QFontMetrics(font()).horizontalAdvance(shown);
    }
    width += m_asciiWidths[byte];
  }
  return width;
}

int ListView::InsertRow(int index, std::span<const std::string_view> texts) {
  index = m_model->InsertRow(index, texts);
  if (m_mark >= index) ++m_mark;
  return index;
}

bool ListView::RemoveRow(int row) {
  if (!m_model->RemoveRow(row)) return false;
  if (m_mark == row)
    m_mark = -1;
  else if (m_mark > row)
    --m_mark;
  return true;
}

int ListView::ContentWidth(int column) const {
  // The same room around the text as the view draws: its text margin on both sides.
  if (m_textMargin < 0) m_textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return m_model->Store().MaxWidth(column) + 2 * m_textMargin + 8;
}

int ListView::AvailableWidth() const {
  int width = this->width() - 2 * frameWidth();
  const int rowsHeight = m_model->rowCount() * verticalHeader()->defaultSectionSize();
  const int viewHeight = height() - 2 * frameWidth() - HeaderHeightHint();
  if (rowsHeight > viewHeight) {
    if (m_scrollBarExtent < 0) m_scrollBarExtent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    width -= m_scrollBarExtent;
  }
  return width;
}

int ListView::HeadingWidth(int column) const {
  int width = HeadingHint(column);
  if (column == m_model->columnCount() - 1) {
    int others = 0;
    for (int c = 0; c < column; ++c) others += ColumnWidth(c);
    width = std::max(width, AvailableWidth() - others);
  }
  return width;
}

void ListView::SetRedraw(bool redraw) {
  if (redraw == m_redraw) return;
  m_redraw = redraw;
  // Only the rows' area needs holding back: the header and the scroll bars change only when
  // the suspended model and the noted widths are let through here.
  if (redraw) {
    ApplyPendingWidths();
    m_model->Resume();
    viewport()->setUpdatesEnabled(true);
  } else {
    viewport()->setUpdatesEnabled(false);
    m_model->Suspend();
  }
}

void ListView::SetFullRowSelect(bool on) {
  setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void ListView::mousePressEvent(QMouseEvent* event) {
  if (!SelectingButton(event->button())) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) {
    // Shift extends the selection from the mark, so the mark stays where the selection began.
    if (!(event->modifiers() & Qt::ShiftModifier) || m_mark < 0) m_mark = index.row();
  }
  QTableView::mousePressEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (SelectingButton(event->button())) QTableView::mouseDoubleClickEvent(event);
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
  if (!SelectingButton(event->button())) return;
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && onClick) onClick();
}

void ListView::keyPressEvent(QKeyEvent* event) {
  const int before = currentIndex().row();
  QTableView::keyPressEvent(event);
  const int after = currentIndex().row();
  if (after >= 0 && after != before && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
    m_mark = after;
}

void ListView::initViewItemOption(QStyleOptionViewItem* option) const {
  QTableView::initViewItemOption(option);
  // The list has no always-show-selection style: its selection shows only while it has the
  // focus. The rows stay selected; without the focus they are drawn in the normal colours.
  if (hasFocus()) return;
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    option->palette.setBrush(group, QPalette::Highlight, option->palette.brush(group, QPalette::Base));
    option->palette.setBrush(group, QPalette::HighlightedText, option->palette.brush(group, QPalette::Text));
  }
}

void ListView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();  // the selection shows again
}

void ListView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

void ListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ForgetHeaderHints();
  if (event->type() == QEvent::FontChange) {
    UpdateCharWidths();
    m_model->Store().Remeasure([this](std::string_view text) { return MeasureText(text); });
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  }
}

}  // namespace platform
