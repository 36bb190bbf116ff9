#include "foundation/JSONHelperUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "foundation/DateTime.h"
#include "support/MemDataset.h"
#include "support/TestRecords.h"

namespace {

using tessaly::TJSONHelper;
using tessaly::TJsonArray;
using tessaly::TVqFieldKind;
using tessaly::TVqVariant;
using vqtest::MemDataset;

// Five rows: id 0..4 and a name r0..r4.
MemDataset FiveRows() {
  MemDataset ds({{"id", TVqFieldKind::Int32}, {"name", TVqFieldKind::String}});
  for (int i = 0; i < 5; ++i) ds.AddRow({std::int64_t{i}, std::string("r") + std::to_string(i)});
  return ds;
}

std::string Rows(std::initializer_list<int> ids) {
  std::string out = "[";
  for (int id : ids) {
    if (out.size() > 1) out += ',';
    out += R"({"id":)" + std::to_string(id) + R"(,"name":"r)" + std::to_string(id) + "\"}";
  }
  return out + "]";
}

// The window [start, start+len) picks rows; a start past the end gives "[]", and a negative
// start or a length below 1 takes every row.
TEST(DatasetToJson, RowWindowPicksRows) {
  struct Case {
    int start, len;
    std::string json;
  } cases[] = {
      {-1, -1, Rows({0, 1, 2, 3, 4})},
      {0, 0, Rows({0, 1, 2, 3, 4})},
      {-5, 2, Rows({0, 1, 2, 3, 4})},
      {3, 0, Rows({0, 1, 2, 3, 4})},
      {2, -4, Rows({0, 1, 2, 3, 4})},
      {0, 2, Rows({0, 1})},
      {2, 2, Rows({2, 3})},
      {1, 1, Rows({1})},
      {0, 5, Rows({0, 1, 2, 3, 4})},
      {4, 10, Rows({4})},
      {5, 1, "[]"},
      {100, 3, "[]"},
      {INT_MAX, INT_MAX, "[]"},
  };
  for (const auto& c : cases) {
    MemDataset ds = FiveRows();
    std::string json;
    ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", ds, c.start, c.len, json)) << json;
    EXPECT_EQ(json, c.json) << c.start << "," << c.len;
    std::string wrapped;
    ASSERT_TRUE(TJSONHelper::Dataset2JSON("bi_item", ds, c.start, c.len, wrapped));
    EXPECT_EQ(wrapped, "{\"bi_item\":" + c.json + "}");
  }
}

// The all-rows overload, and a table name that needs escaping as the wrapper's member name.
TEST(DatasetToJson, WrapperOfAllRowsEscapesTheTableName) {
  MemDataset ds = FiveRows();
  std::string json;
  ASSERT_TRUE(TJSONHelper::Dataset2JSON("a/表", ds, json));
  EXPECT_EQ(json, "{\"a\\/\\u8868\":" + Rows({0, 1, 2, 3, 4}) + "}");
}

// Rows before the window are never read, and paging through a result costs a number of
// position moves linear in its rows.
TEST(DatasetToJson, SkippedRowsAreNotReadAndPagingIsLinear) {
  MemDataset ds({{"id", TVqFieldKind::Int32}});
  const int rows = 1000, page = 10;
  for (int i = 0; i < rows; ++i) ds.AddRow({std::int64_t{i}});
  for (int start = 0; start < rows; start += page) {
    std::string json;
    ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", ds, start, page, json));
    ASSERT_EQ(json.rfind("[{\"id\":" + std::to_string(start) + "}", 0), 0U) << json;
  }
  for (int i = 0; i < rows; ++i) ASSERT_EQ(ds.ValueReads(i), 2) << i;  // IsNull + value, once
  EXPECT_LE(ds.Steps(), rows + 2 * (rows / page));

  MemDataset once = FiveRows();
  std::string json;
  ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", once, 3, 1, json));
  EXPECT_EQ(once.ValueReads(0) + once.ValueReads(1) + once.ValueReads(2), 0);
  EXPECT_EQ(once.ValueReads(4), 0);
}

// A null field gives 0, 0, false or "" by its kind.
TEST(DatasetToJson, NullValuesByFieldKind) {
  struct Case {
    TVqFieldKind kind;
    const char* value;
  } cases[] = {
      {TVqFieldKind::Int8, "0"},         {TVqFieldKind::Int16, "0"},
      {TVqFieldKind::Int32, "0"},        {TVqFieldKind::UInt8, "0"},
      {TVqFieldKind::UInt16, "0"},       {TVqFieldKind::UInt32, "0"},
      {TVqFieldKind::AutoInc, "0"},      {TVqFieldKind::Int64, "0"},
      {TVqFieldKind::Float, "0"},        {TVqFieldKind::Currency, "0"},
      {TVqFieldKind::Bcd, "0"},          {TVqFieldKind::Boolean, "false"},
      {TVqFieldKind::Date, "\"\""},      {TVqFieldKind::Time, "\"\""},
      {TVqFieldKind::DateTime, "\"\""},  {TVqFieldKind::Blob, "\"\""},
      {TVqFieldKind::String, "\"\""},    {TVqFieldKind::WideString, "\"\""},
      {TVqFieldKind::Memo, "\"\""},      {TVqFieldKind::WideMemo, "\"\""},
      {TVqFieldKind::Guid, "\"\""},      {TVqFieldKind::FmtBcd, "\"\""},
      {TVqFieldKind::Single, "\"\""},    {TVqFieldKind::Other, "\"\""},
  };
  for (const auto& c : cases) {
    MemDataset ds({{"v", c.kind}});
    ds.AddRow({std::nullopt});
    std::string json;
    ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", ds, -1, -1, json)) << json;
    EXPECT_EQ(json, std::string("[{\"v\":") + c.value + "}]") << static_cast<int>(c.kind);
  }
}

// Values by kind: integers exactly (64-bit and unsigned 32-bit ones too), numbers in the general
// form, date-times as "yyyy-MM-dd hh:mm:ss", blobs as one-line Base64, texts escaped.
TEST(DatasetToJson, ValuesByFieldKind) {
  const tessaly::TDateTime when = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  struct Case {
    TVqFieldKind kind;
    TVqVariant value;
    const char* json;
  } cases[] = {
      {TVqFieldKind::Int32, std::int64_t{-5}, "-5"},
      {TVqFieldKind::Int32, std::int64_t{INT32_MIN}, "-2147483648"},
      {TVqFieldKind::UInt32, std::int64_t{4294967295LL}, "4294967295"},
      {TVqFieldKind::Int64, std::int64_t{5000000000LL}, "5000000000"},
      {TVqFieldKind::Int64, std::int64_t{INT64_MIN}, "-9223372036854775808"},
      {TVqFieldKind::AutoInc, std::int64_t{17}, "17"},
      {TVqFieldKind::Float, 12.5, "12.5"},
      {TVqFieldKind::Currency, 1234.5678, "1234.5678"},
      {TVqFieldKind::Bcd, 0.1, "0.1"},
      {TVqFieldKind::Float, 1e20, "1E20"},
      {TVqFieldKind::Boolean, true, "true"},
      {TVqFieldKind::DateTime, when, R"("2024-03-05 14:07:09")"},
      {TVqFieldKind::Date, tessaly::DateOf(when), R"("2024-03-05 00:00:00")"},
      {TVqFieldKind::Time, 0.5, R"("1899-12-30 12:00:00")"},
      {TVqFieldKind::Blob, std::string("\x00\x01\x02\xff", 4), R"("AAEC\/w==")"},
      {TVqFieldKind::String, std::string("a/中"), R"("a\/\u4E2D")"},
      {TVqFieldKind::Memo, std::string("l1\r\nl2"), R"("l1\r\nl2")"},
  };
  for (const auto& c : cases) {
    MemDataset ds({{"v", c.kind}});
    ds.AddRow({c.value});
    std::string json;
    ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", ds, -1, -1, json)) << json;
    EXPECT_EQ(json, std::string("[{\"v\":") + c.json + "}]") << c.json;
  }
}

// A blob of 100 bytes is one Base64 line with no CR or LF.
TEST(DatasetToJson, BlobIsOneBase64Line) {
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += static_cast<char>(i * 7);
  MemDataset ds({{"img", TVqFieldKind::Blob}});
  ds.AddRow({bytes});
  std::string json;
  ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", ds, -1, -1, json));
  EXPECT_EQ(json.find('\n'), std::string::npos);
  EXPECT_EQ(json.find("\\n"), std::string::npos);
  EXPECT_EQ(json.find("\\r"), std::string::npos);
  EXPECT_EQ(json.rfind("[{\"img\":\"AAcOFRwjKjE4P0ZNVFti", 0), 0U) << json;
  std::string base64 = json.substr(9, json.size() - 9 - 3);
  for (auto at = base64.find("\\/"); at != std::string::npos; at = base64.find("\\/")) base64.erase(at, 1);
  EXPECT_EQ(base64.size(), 136U);  // 100 bytes, "==" fill
  EXPECT_EQ(base64.substr(134), "==");
}

// The hook sees table, field and value, and what it hands back is written, converted to the
// field's kind.
TEST(DatasetToJson, HookReplacesValues) {
  MemDataset ds({{"id", TVqFieldKind::Int32},
                 {"name", TVqFieldKind::String},
                 {"price", TVqFieldKind::Float},
                 {"big", TVqFieldKind::Int64},
                 {"flag", TVqFieldKind::Boolean}});
  ds.AddRow({std::int64_t{1}, std::string("n"), 2.5, std::int64_t{1}, false});
  std::vector<std::string> seen;
  auto hook = [&](tessaly::IVqDataset& aDataset, const std::string& aTable, const std::string& aName,
                  TVqVariant& aValue) {
    EXPECT_EQ(&aDataset, &ds);
    seen.push_back(aTable + "." + aName);
    if (aName == "id") aValue = std::get<std::int64_t>(aValue) + 100;
    if (aName == "name") aValue = std::string("x/y");
    if (aName == "price") aValue = 9.75;
    if (aName == "big") aValue = std::string("8000000000");
    if (aName == "flag") aValue = std::string("TRUE");
  };
  std::string json;
  ASSERT_TRUE(TJSONHelper::Dataset2JSON("tab", ds, json, hook)) << json;
  EXPECT_EQ(json, R"({"tab":[{"id":101,"name":"x\/y","price":9.75,"big":8000000000,"flag":true}]})");
  EXPECT_EQ(seen, (std::vector<std::string>{"tab.id", "tab.name", "tab.price", "tab.big", "tab.flag"}));
}

// A hook that throws, a value that does not convert back, a value out of the field's range and
// a field that cannot be read all stop the page with the error text; rows done so far stay.
TEST(DatasetToJson, FailuresStopThePageWithTheErrorText) {
  using Hook = tessaly::TOnDatasetFiledToJSON;
  auto onRow = [](int row, std::function<void(TVqVariant&)> change) -> Hook {
    return [row, change](tessaly::IVqDataset& d, const std::string&, const std::string& aName,
                         TVqVariant& v) {
      if (aName == "id" && d.AsInt64(0) == row) change(v);
    };
  };
  struct Case {
    Hook hook;
    int unreadableRow;
    std::string error;
  } cases[] = {
      {onRow(2, [](TVqVariant&) { throw std::runtime_error("boom"); }), -1, "boom"},
      {onRow(2, [](TVqVariant& v) { v = std::string("abc"); }), -1, "'abc' is not an integer value"},
      {onRow(2, [](TVqVariant& v) { v = std::int64_t{5000000000LL}; }), -1,
       "5000000000 is out of the field's integer range"},
      {Hook{}, 2, "cannot read name"},
  };
  for (const auto& c : cases) {
    MemDataset ds = FiveRows();
    if (c.unreadableRow >= 0) ds.MakeUnreadable(c.unreadableRow, 1);
    TJsonArray rows;
    std::string erro;
    EXPECT_FALSE(TJSONHelper::Dataset2JSONArry("t", ds, -1, -1, rows, erro, c.hook));
    EXPECT_EQ(erro, "数据集转换JSON组出错," + c.error);
    EXPECT_EQ(rows.size(), 2U);

    MemDataset ds2 = FiveRows();
    if (c.unreadableRow >= 0) ds2.MakeUnreadable(c.unreadableRow, 1);
    std::string text;
    EXPECT_FALSE(TJSONHelper::Dataset2JSONArry("t", ds2, 0, 3, text, c.hook));
    EXPECT_EQ(text, "数据集转换JSON组出错," + c.error);
    std::string wrapped;
    EXPECT_FALSE(TJSONHelper::Dataset2JSON("t", ds2, wrapped, c.hook));
    EXPECT_EQ(wrapped, "数据集转换JSON组出错," + c.error);
  }
}

// The delete record is written as softid, tab_id and tab_json, in that order.
TEST(ObjToJson, WritesTheDeleteRecord) {
  vqtest::TSysDelete del;
  del.softid = 5;
  del.tab_id = "bi_item";
  del.tab_json = "[]";
  EXPECT_EQ(TJSONHelper::Obj2JSON(del), R"({"softid":5,"tab_id":"bi_item","tab_json":"[]"})");
  del.tab_json = R"([{"a":"中/"}])";
  EXPECT_EQ(TJSONHelper::Obj2JSON(del),
            R"({"softid":5,"tab_id":"bi_item","tab_json":"[{\"a\":\"\u4E2D\/\"}]"})");
}

// Every scalar kind, a lower-cased first letter, nested records (null when absent) and arrays,
// empty ones included.
TEST(ObjToJson, WritesEveryKindAndNesting) {
  vqtest::TTestRow row;
  row.softid = -3;
  row.Sheet_no = "S1";
  row.amt = 0.1 + 0.2;
  row.valid = true;
  row.oper_date = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 45});
  EXPECT_EQ(TJSONHelper::Obj2JSON(row),
            R"({"softid":-3,"sheet_no":"S1","amt":0.3,"valid":true,"oper_date":"2024-03-05T14:07:09.045Z"})");

  vqtest::TTestOrderRespond reply;
  EXPECT_EQ(TJSONHelper::Obj2JSON(reply), R"({"bResult":false,"errMsg":"","oResult":null})");
  reply.oResult = std::make_unique<vqtest::TTestOrder>();
  reply.oResult->pos_detail.emplace_back().sheet_sort = 2;
  EXPECT_EQ(TJSONHelper::Obj2JSON(reply),
            R"({"bResult":false,"errMsg":"","oResult":{"softid":0,"sheet_no":"","real_amt":0,)"
            R"("pos_detail":[{"softid":0,"sheet_no":"","sheet_sort":2,"sub_qty":0}],"first_line":null}})");
}

}  // namespace
