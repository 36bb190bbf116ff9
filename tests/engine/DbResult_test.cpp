// The compact result container: values come back as they went in, rows stay whole, and a row
// of the upload benchmark's shape costs a bounded, linear number of heap bytes.
#include "engine/DbResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/DbQuery.h"

namespace {

using tessaly::TDbDateTime;
using tessaly::TDbQuery;
using tessaly::TDbResult;
using tessaly::TDbVariant;
using tessaly::TVqFieldKind;

// Values at every boundary of the encoding: inline small integers, long numbers, both signs,
// short and long texts, texts with NUL and invalid UTF-8, floats and date-times of any bits.
const std::vector<TDbVariant> kValues = {
    TDbVariant{},
    std::int64_t{0},
    std::int64_t{1},
    std::int64_t{30},
    std::int64_t{31},
    std::int64_t{-1},
    std::int64_t{127},
    std::int64_t{128},
    std::int64_t{1} << 40,
    std::numeric_limits<std::int64_t>::min(),
    std::numeric_limits<std::int64_t>::max(),
    0.0,
    -0.0,
    0.1,
    std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::denorm_min(),
    std::string(),
    std::string("a"),
    std::string(30, 'b'),
    std::string(31, 'c'),
    std::string(200, 'd'),
    std::string(70000, 'e'),
    std::string("nul\0in", 6),
    std::string("商品 \xF0\x9F\x98\x80 \xC3 \x80"),
    TDbDateTime{0},
    TDbDateTime{45292.5},
    TDbDateTime{-1.25},
};

bool SameValue(const TDbVariant& a, const TDbVariant& b) {
  if (a.index() != b.index()) return false;
  if (const auto* d = std::get_if<double>(&a)) return std::signbit(*d) == std::signbit(std::get<double>(b)) && *d == std::get<double>(b);
  return a == b;
}

// Every value survives in every column position, rows of several widths, read per cell and per row.
TEST(DbResult, ValuesComeBackAsTheyWentIn) {
  TDbResult result;
  for (int f = 0; f < 3; ++f) result.Fields.push_back({"f" + std::to_string(f), TVqFieldKind::Other});
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    for (std::size_t f = 0; f < 3; ++f) result.AddValue(kValues[(i + f) % kValues.size()]);
    result.EndRow();
  }
  ASSERT_EQ(result.RowCount(), kValues.size());
  std::vector<tessaly::TDbCell> cells;
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    result.ReadRow(i, cells);
    ASSERT_EQ(cells.size(), 3U);
    for (std::size_t f = 0; f < 3; ++f) {
      const TDbVariant& want = kValues[(i + f) % kValues.size()];
      EXPECT_TRUE(SameValue(result.Value(i, f), want)) << "row " << i << " field " << f;
      EXPECT_TRUE(SameValue(cells[f].ToVariant(), want)) << "row " << i << " field " << f;
    }
  }
  EXPECT_THROW((void)result.Value(kValues.size(), 0), std::out_of_range);
  EXPECT_THROW((void)result.Value(0, 3), std::out_of_range);
}

// A row with too few or too many cells is refused and leaves no trace; the next row is whole.
TEST(DbResult, RowOfTheWrongWidthIsRefused) {
  TDbResult result;
  result.Fields = {{"a", TVqFieldKind::Int32}, {"b", TVqFieldKind::String}};
  result.AddInt(1);
  EXPECT_THROW(result.EndRow(), std::logic_error);
  result.AddInt(1);
  result.AddText("x");
  result.AddNull();
  EXPECT_THROW(result.EndRow(), std::logic_error);
  EXPECT_EQ(result.RowCount(), 0U);
  result.AddInt(2);
  result.AddText("y");
  result.EndRow();
  ASSERT_EQ(result.RowCount(), 1U);
  EXPECT_EQ(result.Value(0, 0), TDbVariant(std::int64_t{2}));
  EXPECT_EQ(result.Value(0, 1), TDbVariant(std::string("y")));
}

// A moved-from result is empty, and the query that takes the rows gives them back.
TEST(DbResult, MoveHandsTheRowsOver) {
  TDbResult result;
  result.Fields = {{"a", TVqFieldKind::Int32}};
  for (int i = 0; i < 5000; ++i) {
    result.AddInt(i);
    result.EndRow();
  }
  TDbQuery query;
  query.Open(std::move(result));
  EXPECT_EQ(result.RowCount(), 0U);  // NOLINT(bugprone-use-after-move): moved-from state is specified
  EXPECT_EQ(result.HeapBytes(), 0U);
  ASSERT_EQ(query.RecordCount(), 5000);
  query.MoveToRow(4321);
  EXPECT_EQ(query.AsInt64(0), 4321);
  query.Close();
  EXPECT_EQ(query.HeapBytes(), 0U);
}

// Rows of the upload benchmark's ten columns, as the ODBC back end reads them.
TDbResult BenchShapedRows(int rows) {
  TDbResult result;
  for (const char* name : {"item_no", "item_subno", "item_name", "item_clsno", "unit_no"})
    result.Fields.push_back({name, TVqFieldKind::String});
  for (const char* name : {"price", "sale_price", "stock_qty"}) result.Fields.push_back({name, TVqFieldKind::Bcd});
  result.Fields.push_back({"modify_date", TVqFieldKind::DateTime});
  result.Fields.push_back({"trans_last_change", TVqFieldKind::Int32});
  char subno[16];
  for (int i = 1; i <= rows; ++i) {
    std::snprintf(subno, sizeof subno, "%08d", i);
    result.AddText("I" + std::to_string(i));
    result.AddText(subno);
    result.AddText("商品名称" + std::to_string(i));
    result.AddText(std::to_string(i % 37));
    result.AddText("个");
    result.AddFloat(i % 1000 + 0.25);
    result.AddFloat(i % 1000 * 1.5 + 0.99);
    result.AddFloat(i % 500);
    result.AddDateTime(45292 + (i % 86400) / 86400.0);
    result.AddInt(i);
    result.EndRow();
  }
  return result;
}

// At most 150 bytes a row, and twice the rows cost about twice the bytes (no doubling slack).
TEST(DbResult, HeapBytesPerRowAreBoundedAndLinear) {
  const TDbResult small = BenchShapedRows(100000);
  const TDbResult large = BenchShapedRows(200000);
  const double perRowSmall = static_cast<double>(small.HeapBytes()) / 100000;
  const double perRowLarge = static_cast<double>(large.HeapBytes()) / 200000;
  EXPECT_LE(perRowSmall, 150.0);
  EXPECT_LE(perRowLarge, 150.0);
  EXPECT_NEAR(perRowLarge / perRowSmall, 1.0, 0.05);
}

}  // namespace
