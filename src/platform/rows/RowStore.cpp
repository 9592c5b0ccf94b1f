#include "platform/rows/RowStore.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {
namespace {

struct CellHeader {
  std::uint32_t end;    // offset just past the cell's text, from the start of the texts
  std::uint32_t width;  // measured pixel width
};

}  // namespace

RowStore::PackedRow::PackedRow(int columns, const std::string_view* texts, const int* widths) {
  std::size_t textBytes = 0;
  bool allEmpty = true;
  for (int c = 0; c < columns; ++c) {
    textBytes += texts[c].size();
    allEmpty = allEmpty && texts[c].empty();
  }
  if (allEmpty) return;
  const std::size_t headerBytes = sizeof(CellHeader) * static_cast<std::size_t>(columns);
  m_data = std::make_unique_for_overwrite<char[]>(headerBytes + textBytes);
  char* out = m_data.get() + headerBytes;
  std::uint32_t end = 0;
  for (int c = 0; c < columns; ++c) {
    if (!texts[c].empty()) std::memcpy(out + end, texts[c].data(), texts[c].size());
    end += static_cast<std::uint32_t>(texts[c].size());
    const CellHeader header{end, static_cast<std::uint32_t>(widths[c])};
    std::memcpy(m_data.get() + sizeof(CellHeader) * static_cast<std::size_t>(c), &header, sizeof header);
  }
}

std::string_view RowStore::PackedRow::Text(int columns, int column) const {
  if (!m_data) return {};
  CellHeader header{};
  std::uint32_t begin = 0;
  std::memcpy(&header, m_data.get() + sizeof(CellHeader) * static_cast<std::size_t>(column), sizeof header);
  if (column > 0) {
    CellHeader before{};
    std::memcpy(&before, m_data.get() + sizeof(CellHeader) * static_cast<std::size_t>(column - 1), sizeof before);
    begin = before.end;
  }
  const char* texts = m_data.get() + sizeof(CellHeader) * static_cast<std::size_t>(columns);
  return {texts + begin, header.end - begin};
}

int RowStore::PackedRow::Width(int, int column) const {
  if (!m_data) return 0;
  CellHeader header{};
  std::memcpy(&header, m_data.get() + sizeof(CellHeader) * static_cast<std::size_t>(column), sizeof header);
  return static_cast<int>(header.width);
}

RowStore::RowStore(int columns, Measure measure)
    : m_columns(columns), m_measure(std::move(measure)), m_widths(static_cast<std::size_t>(columns)) {}

void RowStore::WidthCounts::Add(int width, std::int64_t delta) {
  if (width >= kFlatWidths) {
    auto it = m_wide.try_emplace(width, 0).first;
    it->second += delta;
    if (it->second == 0) m_wide.erase(it);
    return;
  }
  if (static_cast<std::size_t>(width) >= m_flat.size()) m_flat.resize(static_cast<std::size_t>(width) + 1, 0);
  std::int64_t& count = m_flat[static_cast<std::size_t>(width)];
  count += delta;
  if (count > 0 && width > m_flatMax) {
    m_flatMax = width;
  } else if (count == 0 && width == m_flatMax) {
    while (m_flatMax > 0 && m_flat[static_cast<std::size_t>(m_flatMax)] == 0) --m_flatMax;
  }
}

int RowStore::WidthCounts::Max() const { return m_wide.empty() ? m_flatMax : m_wide.rbegin()->first; }

void RowStore::WidthCounts::Clear() {
  m_flat.clear();
  m_flatMax = 0;
  m_wide.clear();
}

void RowStore::CountWidth(int column, int width, int delta) {
  if (width <= 0) return;  // empty cells never widen a column
  m_widths[static_cast<std::size_t>(column)].Add(width, delta);
}

void RowStore::Insert(int index, std::span<const std::string_view> given) {
  index = std::clamp(index, 0, Count());
  m_texts.assign(static_cast<std::size_t>(m_columns), std::string_view{});
  m_cellWidths.assign(static_cast<std::size_t>(m_columns), 0);
  for (int c = 0; c < m_columns && c < static_cast<int>(given.size()); ++c) {
    m_texts[static_cast<std::size_t>(c)] = given[static_cast<std::size_t>(c)];
    m_cellWidths[static_cast<std::size_t>(c)] = MeasureText(given[static_cast<std::size_t>(c)]);
    CountWidth(c, m_cellWidths[static_cast<std::size_t>(c)], +1);
  }
  PackedRow row(m_columns, m_texts.data(), m_cellWidths.data());
  m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(m_rows.size() - static_cast<std::size_t>(index)),
                std::move(row));
}

void RowStore::Erase(int row) {
  if (row < 0 || row >= Count()) return;
  const std::size_t p = Physical(row);
  for (int c = 0; c < m_columns; ++c) CountWidth(c, m_rows[p].Width(m_columns, c), -1);
  m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(p));
}

void RowStore::Swap(int row1, int row2) {
  if (row1 < 0 || row2 < 0 || row1 >= Count() || row2 >= Count()) return;
  std::swap(m_rows[Physical(row1)], m_rows[Physical(row2)]);
}

std::string_view RowStore::Get(int row, int column) const {
  if (row < 0 || row >= Count() || column < 0 || column >= m_columns) return {};
  return m_rows[Physical(row)].Text(m_columns, column);
}

void RowStore::Set(int row, int column, std::string_view text) {
  if (row < 0 || row >= Count() || column < 0 || column >= m_columns) return;
  Replace(m_rows[Physical(row)], column, text);
}

void RowStore::Replace(PackedRow& row, int column, std::string_view text) {
  if (row.Text(m_columns, column) == text) return;  // same text, same width
  // The views point into the old row, and `text` may too: the old row lives until the new
  // one has been built from them.
  m_texts.resize(static_cast<std::size_t>(m_columns));
  m_cellWidths.resize(static_cast<std::size_t>(m_columns));
  for (int c = 0; c < m_columns; ++c) {
    if (c == column) {
      m_texts[static_cast<std::size_t>(c)] = text;
      m_cellWidths[static_cast<std::size_t>(c)] = MeasureText(text);
      CountWidth(c, row.Width(m_columns, c), -1);
      CountWidth(c, m_cellWidths[static_cast<std::size_t>(c)], +1);
    } else {
      m_texts[static_cast<std::size_t>(c)] = row.Text(m_columns, c);
      m_cellWidths[static_cast<std::size_t>(c)] = row.Width(m_columns, c);
    }
  }
  PackedRow rebuilt(m_columns, m_texts.data(), m_cellWidths.data());
  row = std::move(rebuilt);
}

void RowStore::InsertColumn(int column) {
  column = std::clamp(column, 0, m_columns);
  const int oldColumns = m_columns;
  const auto newColumns = static_cast<std::size_t>(oldColumns) + 1;
  for (auto& row : m_rows) {
    std::vector<std::string> keep(newColumns);
    std::vector<std::string_view> texts(newColumns);
    std::vector<int> widths(newColumns, 0);
    for (int c = 0, from = 0; c < oldColumns + 1; ++c) {
      if (c == column) continue;
      keep[static_cast<std::size_t>(c)] = std::string(row.Text(oldColumns, from));
      widths[static_cast<std::size_t>(c)] = row.Width(oldColumns, from);
      ++from;
    }
    for (std::size_t c = 0; c < newColumns; ++c) texts[c] = keep[c];
    row = PackedRow(oldColumns + 1, texts.data(), widths.data());
  }
  m_widths.insert(m_widths.begin() + column, WidthCounts{});
  m_columns = oldColumns + 1;
}

int RowStore::MaxWidth(int column) const {
  if (column < 0 || column >= m_columns) return 0;
  return m_widths[static_cast<std::size_t>(column)].Max();
}

void RowStore::Remeasure(Measure measure) {
  m_measure = std::move(measure);
  for (auto& counts : m_widths) counts.Clear();
  std::vector<std::string> keep(static_cast<std::size_t>(m_columns));
  std::vector<std::string_view> texts(static_cast<std::size_t>(m_columns));
  std::vector<int> widths(static_cast<std::size_t>(m_columns));
  for (auto& row : m_rows) {
    for (int c = 0; c < m_columns; ++c) {
      keep[static_cast<std::size_t>(c)] = std::string(row.Text(m_columns, c));
      texts[static_cast<std::size_t>(c)] = keep[static_cast<std::size_t>(c)];
      widths[static_cast<std::size_t>(c)] = MeasureText(keep[static_cast<std::size_t>(c)]);
      CountWidth(c, widths[static_cast<std::size_t>(c)], +1);
    }
    row = PackedRow(m_columns, texts.data(), widths.data());
  }
}

}  // namespace platform
