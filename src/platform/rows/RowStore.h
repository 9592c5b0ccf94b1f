#pragma once

// The rows of a report list: texts per column, plus the measured pixel width of every cell so
// that "fit the cells" needs no pass over the rows. Row 0 is the top row. Rows are kept in
// reverse, so inserting at the top, where every new entry goes, is an append.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class RowStore {
 public:
  using Measure = std::function<int(std::string_view)>;

  RowStore(int columns, Measure measure);

  int Count() const { return static_cast<int>(m_rows.size()); }
  int Columns() const { return m_columns; }

  // Inserts a row at `index` (0..Count) with the given texts from column 0 on; the columns
  // not given are empty.
  void Insert(int index, std::span<const std::string_view> given);
  void Erase(int row);
  void Swap(int row1, int row2);  // exchanges the whole contents of two rows
  std::string_view Get(int row, int column) const;
  void Set(int row, int column, std::string_view text);

  // Adds a column at `column`; every row gets an empty cell there.
  void InsertColumn(int column);
  // The widest cell of a column, 0 for an empty list.
  int MaxWidth(int column) const;
  // Measures every cell again, after the measure itself changed (another font).
  void Remeasure(Measure measure);

 private:
  // One row in one allocation: the end offset and width of each cell, then the texts.
  class PackedRow {
   public:
    PackedRow() = default;
    PackedRow(int columns, const std::string_view* texts, const int* widths);
    std::string_view Text(int columns, int column) const;
    int Width(int columns, int column) const;

   private:
    std::unique_ptr<char[]> m_data;  // null: every cell empty and zero wide
  };

  // How many cells of one column have each width, so that the widest is known without a pass
  // over the rows. The usual narrow widths are counted in a flat table, rare wide ones apart.
  class WidthCounts {
   public:
    void Add(int width, std::int64_t delta);  // width > 0
    int Max() const;                          // 0 when no cell is counted
    void Clear();

   private:
    static constexpr int kFlatWidths = 2048;
    std::vector<std::int64_t> m_flat;  // by width, grown as needed
    int m_flatMax = 0;                 // the widest width counted in m_flat, 0 for none
    std::map<int, std::int64_t> m_wide;
  };

  std::size_t Physical(int row) const { return m_rows.size() - 1 - static_cast<std::size_t>(row); }
  void Replace(PackedRow& row, int column, std::string_view text);
  void CountWidth(int column, int width, int delta);
  int MeasureText(std::string_view text) const { return text.empty() ? 0 : m_measure(text); }

  int m_columns;
  Measure m_measure;
  std::vector<PackedRow> m_rows;      // the bottom row first
  std::vector<WidthCounts> m_widths;  // per column
  // Scratch space for building one row, kept to spare an allocation per change.
  std::vector<std::string_view> m_texts;
  std::vector<int> m_cellWidths;
};

}  // namespace platform
