// The direct page writer against the tree writer it replaced: the same bytes for every value.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/DbQuery.h"
#include "foundation/DateTime.h"
#include "foundation/FloatText.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonWriter.h"
#include "support/MemDataset.h"
#include "support/TreePageWriter.h"

namespace {

using tessaly::TDbQuery;
using tessaly::TDbResult;
using tessaly::TJSONHelper;
using tessaly::TVqFieldKind;
using tessaly::TVqVariant;
using vqtest::MemDataset;

const std::vector<std::string> kTrickyTexts = {
    "",
    "plain ascii",
    "quote \" backslash \\ solidus / end",
    "controls \x01\x02\x08\x09\x0A\x0C\x0D\x1B\x1F and DEL \x7F",
    std::string("nul \0 inside", 12),
    "商品名称个",
    "emoji \xF0\x9F\x98\x80 and \xF0\x90\x80\x80 and \xF4\x8F\xBF\xBF",
    "lone lead \xC3 and lone cont \x80\xBF",
    "overlong \xC0\xAF and \xE0\x80\xAF",
    "surrogate as utf8 \xED\xA0\x80\xED\xB0\x80",
    "beyond range \xF4\x90\x80\x80 and \xF8\x88\x80\x80\x80",
    "cut at end \xE4\xB8",
    "\xEF\xBF\xBD replacement itself",
    "http://a/b?c=d&e=\"f\"",
    std::string(300, 'x') + "/long/",
};

const std::vector<double> kTrickyDoubles = {
    0.0,     -0.0,   0.1,     -0.1,   1.0 / 3,  2.0 / 3,  1e15,     1e15 - 1, 999999999999999.0,
    1e-5,    9.99e-6, 1e-6,   123456.789, -98765.4321, 1e300, -1e-300, 5e-324, 1.7976931348623157e308,
    0.25,    1.5,    1234.5, 100,     1e14,     12345678901234567.0, 0.30000000000000004,
    std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
};

const std::vector<double> kTrickyDates = {
    0.0,       -1.25,   45292.5,   45292.999999, 45292.99999999, 2958465.99999, 36526.0001,
    -693593.0, 1e-9,    45658.123456789,
};

// A row of every field class with a tricky value in each; nulls in the last row.
struct TTable {
  std::vector<MemDataset::Column> Columns = {
      {"id", TVqFieldKind::Int32},        {"big", TVqFieldKind::Int64},    {"small", TVqFieldKind::UInt8},
      {"price", TVqFieldKind::Bcd},       {"rate", TVqFieldKind::Float},   {"ok", TVqFieldKind::Boolean},
      {"stamp", TVqFieldKind::DateTime},  {"day", TVqFieldKind::Date},     {"pic", TVqFieldKind::Blob},
      {"name", TVqFieldKind::WideString}, {"memo", TVqFieldKind::Memo},    {"na/me\"", TVqFieldKind::String},
  };
  std::vector<std::vector<MemDataset::Cell>> Rows;
};

TTable TrickyTable() {
  TTable t;
  const std::size_t n = std::max({kTrickyTexts.size(), kTrickyDoubles.size(), kTrickyDates.size()});
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& text = kTrickyTexts[i % kTrickyTexts.size()];
    const double d = kTrickyDoubles[i % kTrickyDoubles.size()];
    const double date = kTrickyDates[i % kTrickyDates.size()];
    const std::int64_t id = static_cast<std::int64_t>(i) * (i % 2 ? -1 : 1) * 1000003;
    std::string blob;
    for (std::size_t b = 0; b < i * 7; ++b) blob += static_cast<char>((b * 37 + i) & 0xFF);
    t.Rows.push_back({id, std::int64_t{INT64_MIN + static_cast<std::int64_t>(i)}, std::int64_t(i % 256),
                      std::isfinite(d) ? TVqVariant(d) : TVqVariant(0.5), d, i % 2 == 0, date, date, blob, text,
                      kTrickyTexts[(i + 3) % kTrickyTexts.size()], kTrickyTexts[(i + 7) % kTrickyTexts.size()]});
  }
  t.Rows.push_back(std::vector<MemDataset::Cell>(t.Columns.size()));
  return t;
}

MemDataset AsMemDataset(const TTable& t) {
  MemDataset ds(t.Columns);
  for (const auto& row : t.Rows) ds.AddRow(row);
  return ds;
}

// The same table as the database module holds it: Booleans as integers, dates as date-times.
TDbQuery AsQuery(const TTable& t) {
  TDbResult result;
  for (const auto& c : t.Columns) result.Fields.push_back({c.name, c.kind});
  for (const auto& row : t.Rows) {
    for (std::size_t f = 0; f < row.size(); ++f) {
      const auto& cell = row[f];
      const TVqFieldKind kind = t.Columns[f].kind;
      if (!cell) {
        result.AddNull();
      } else if (const auto* b = std::get_if<bool>(&*cell)) {
        result.AddInt(*b ? 1 : 0);
      } else if (const auto* i = std::get_if<std::int64_t>(&*cell)) {
        result.AddInt(*i);
      } else if (const auto* d = std::get_if<double>(&*cell)) {
        if (kind == TVqFieldKind::DateTime || kind == TVqFieldKind::Date)
          result.AddDateTime(*d);
        else
          result.AddFloat(*d);
      } else {
        result.AddText(std::get<std::string>(*cell));
      }
    }
    result.EndRow();
  }
  TDbQuery query;
  query.Open(std::move(result));
  return query;
}

// A hook that changes values of every class, so the converted-back path is compared too.
void ChangingHook(tessaly::IVqDataset&, const std::string&, const std::string& aName, TVqVariant& aValue) {
  if (aName == "name") aValue = std::get<std::string>(aValue) + "/\xE4\xB8\xAD\x01";
  if (aName == "price") aValue = std::string(" 12.5 ");
  if (aName == "small") aValue = std::string("7");
  if (aName == "ok") aValue = std::string("TRUE");
  if (aName == "rate") aValue = std::int64_t{3};
  if (aName == "stamp") aValue = std::int64_t{42};
}

struct TWindow {
  int start, len;
};
const TWindow kWindows[] = {{-1, -1}, {0, 0}, {0, 3}, {2, 5}, {27, 10}, {1000, 5}};

// Every window, with and without a hook, over both dataset kinds: the page text and the array
// text are the tree writer's, byte for byte.
TEST(PageWriter, SameBytesAsTheTreeWriterOnTrickyValues) {
  const TTable table = TrickyTable();
  const tessaly::TOnDatasetFiledToJSON hooks[] = {{}, &ChangingHook};
  for (const auto& hook : hooks) {
    for (const TWindow w : kWindows) {
      for (int source = 0; source < 2; ++source) {
        SCOPED_TRACE("window " + std::to_string(w.start) + "+" + std::to_string(w.len) + ", hook " +
                     (hook ? "yes" : "no") + ", source " + (source ? "query" : "memory"));
        MemDataset memA = AsMemDataset(table), memB = AsMemDataset(table);
        TDbQuery queryA = AsQuery(table), queryB = AsQuery(table);
        tessaly::IVqDataset& a = source ? static_cast<tessaly::IVqDataset&>(queryA) : memA;
        tessaly::IVqDataset& b = source ? static_cast<tessaly::IVqDataset&>(queryB) : memB;

        std::string direct, tree;
        ASSERT_TRUE(TJSONHelper::Dataset2JSON("商品/tab", a, w.start, w.len, direct, hook)) << direct;
        ASSERT_TRUE(vqtest::TreeDataset2JSON("商品/tab", b, w.start, w.len, tree, hook)) << tree;
        EXPECT_EQ(direct, tree);

        ASSERT_TRUE(TJSONHelper::Dataset2JSONArry("t", a, w.start, w.len, direct, hook)) << direct;
        ASSERT_TRUE(vqtest::TreeDataset2JSONArry("t", b, w.start, w.len, tree, hook)) << tree;
        EXPECT_EQ(direct, tree);
      }
    }
  }
}

// Failures leave the same error text in both writers (a hook value that does not convert back).
TEST(PageWriter, SameErrorTextAsTheTreeWriter) {
  const TTable table = TrickyTable();
  auto bad = [](tessaly::IVqDataset&, const std::string&, const std::string& aName, TVqVariant& aValue) {
    if (aName == "id") aValue = std::string("x/y");
  };
  MemDataset a = AsMemDataset(table), b = AsMemDataset(table);
  std::string direct, tree;
  EXPECT_FALSE(TJSONHelper::Dataset2JSON("t", a, 0, 3, direct, bad));
  EXPECT_FALSE(vqtest::TreeDataset2JSON("t", b, 0, 3, tree, bad));
  EXPECT_EQ(direct, tree);
  EXPECT_EQ(direct, "数据集转换JSON组出错,'x/y' is not an integer value");
}

// Every one- and two-byte text, and random byte runs rich in UTF-8 lead bytes, quote the same.
TEST(PageWriter, StringsQuoteTheSameForAnyBytes) {
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      const std::string text{static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(tessaly::JsonQuote(text), vqtest::TreeJsonQuote(text)) << a << "," << b;
      ASSERT_EQ(tessaly::JsonQuote(text.substr(0, 1)), vqtest::TreeJsonQuote(text.substr(0, 1))) << a;
    }
  std::mt19937 random(18);
  const unsigned char alphabet[] = {'a', '"', '\\', '/', 0x01, 0x1F, 0x7F, 0x80, 0xBF, 0xC2, 0xC0, 0xE4,
                                    0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0xB8, 0xAD, 0x9F, 0x98, 0x00, ' '};
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 12, ' ');
    for (char& c : text) c = static_cast<char>(alphabet[random() % sizeof alphabet]);
    ASSERT_EQ(tessaly::JsonQuote(text), vqtest::TreeJsonQuote(text));
  }
}

// The number form is the same for edge values and for random bit patterns.
TEST(PageWriter, NumbersFormatTheSame) {
  std::vector<double> values = kTrickyDoubles;
  std::mt19937_64 random(18);
  for (int i = 0; i < 200000; ++i) values.push_back(std::bit_cast<double>(random()));
  for (int i = -30; i <= 30; ++i) {
    values.push_back(std::pow(10.0, i));
    values.push_back(std::nextafter(std::pow(10.0, i), 0.0));
  }
  for (const double v : values) {
    ASSERT_EQ(tessaly::FormatFloatGeneral(v), vqtest::TreeJsonFloat(v)) << std::hexfloat << v;
    std::string appended = "x";
    tessaly::AppendJsonFloat(appended, v);
    ASSERT_EQ(appended, "x" + (std::isfinite(v) ? vqtest::TreeJsonFloat(v) : std::string("null")));
  }
}

// The date-time text is the general formatter's for ordinary, edge and out-of-range values.
TEST(PageWriter, DateTimeTextIsTheFormattersText) {
  std::vector<double> values = kTrickyDates;
  std::mt19937_64 random(18);
  std::uniform_real_distribution<double> days(-700000.0, 3000000.0);
  for (int i = 0; i < 20000; ++i) values.push_back(days(random));
  for (const double v : values) {
    std::string text;
    tessaly::AppendDateTimeText(text, v);
    ASSERT_EQ(text, tessaly::FormatDateTime("yyyy-MM-dd hh:mm:ss", v)) << std::hexfloat << v;
  }
}

}  // namespace
