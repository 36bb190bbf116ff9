// The ODBC back end's fetch loop, through the driver manager to the T-SQL test driver and through
// the system's FreeTDS driver to the test SQL server: every kind of value comes back as stored,
// texts longer than one read and characters that straddle the reads' edges included, and no cell
// keeps anything of the cell read before it.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/DMUnit.h"
#include "support/FakeTdsServer.h"
#include "support/TestDbParams.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

enum class TDriver { TestDriver, FreeTds };

std::string DriverName(const ::testing::TestParamInfo<TDriver>& info) {
  return info.param == TDriver::TestDriver ? "TestDriver" : "FreeTds";
}

struct TValueCase {
  const char* column;  // its declared type
  std::string literal;  // SQLite's literal of the stored value
  TDbVariant expected;
};

// A text of `n` letters x; a character outside the BMP after it straddles the edge of a read
// when n is one less than the units a read holds.
std::string Xs(std::size_t n) { return std::string(n, 'x'); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string Describe(const TDbVariant& v) {
  if (VarIsNull(v)) return "null";
  const std::string text = VarToStr(v);
  return text.size() > 40 ? text.substr(0, 20) + "...(" + std::to_string(text.size()) + " bytes)" : text;
}

std::vector<TValueCase> Cases() {
  std::vector<TValueCase> cases = {
      {"int", "-2147483648", std::int64_t{-2147483648LL}},
      {"bigint", "9007199254740993", std::int64_t{9007199254740993LL}},
      {"smallint", "-7", std::int64_t{-7}},
      {"bit", "1", std::int64_t{1}},
      {"decimal(18,4)", "-12.25", -12.25},
      {"float", "0.1", 0.1},
      {"datetime", "'2024-03-05 17:04:09.123'", TDbDateTime{EncodeDateTime({2024, 3, 5, 17, 4, 9, 123})}},
      {"datetime", "'1899-12-30 00:00:00.000'", TDbDateTime{0}},
      {"varchar(40)", Quoted("中文名称 it''s"), std::string("中文名称 it's")},
      {"varchar(40)", "''", std::string()},
      {"nvarchar(40)", Quoted("张三😀🎉"), std::string("张三😀🎉")},
      {"nvarchar(40)", "'a' || char(0) || 'b'", std::string("a\0b", 3)},
      {"nvarchar(40)", "''", std::string()},
      {"nvarchar(max)", Quoted(std::string(3000, 'm') + "中文" + std::string(6000, 'n') + "尾"),
       std::string(3000, 'm') + "中文" + std::string(6000, 'n') + "尾"},
      {"text", Quoted(std::string(9000, 'm') + "说明"), std::string(9000, 'm') + "说明"},
      {"ntext", Quoted(std::string(9000, 'w') + "😀"), std::string(9000, 'w') + "😀"},
      {"varbinary(max)", "X'00FF0D0A7F80'", std::string("\x00\xFF\r\n\x7F\x80", 6)},
      {"varbinary(max)", "X''", std::string()},
  };
  // An emoji at every position around the edges of the first and second reads.
  for (const std::size_t n : {2046u, 2047u, 4093u, 4094u, 4095u, 4096u, 8188u, 8189u, 8190u})
    cases.push_back({"nvarchar(max)", Quoted(Xs(n) + "😀" + Xs(3)), Xs(n) + "😀" + Xs(3)});
  // Bytes beyond one read, every byte value among them.
  std::string bytes;
  std::string hex;
  for (int i = 0; i < 9000; ++i) {
    const auto b = static_cast<unsigned char>((i * 7) & 0xFF);
    bytes += static_cast<char>(b);
    static constexpr char kHex[] = "0123456789ABCDEF";
    hex += kHex[b >> 4];
    hex += kHex[b & 0xF];
  }
  cases.push_back({"varbinary(max)", "X'" + hex + "'", bytes});
  return cases;
}

class DMFetchValuesTest : public ::testing::TestWithParam<TDriver> {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    if (GetParam() == TDriver::TestDriver) {
      dm.FDConnection.SetParams(vqtest::TestDriverParams(db.DatabasePath()));
    } else {
      vqtest::InstallOdbcDrivers();
      tds = std::make_unique<vqtest::FakeTdsServer>(db.DatabasePath());
      dm.FDConnection.SetParams({"DriverID=MSSQL", std::string("ODBCDriver=") + vqtest::kFreeTdsOdbcDriver,
                                 "Server=" + tds->Host(), "User_Name=sa", "Password=test", "Database=shop"});
    }
  }

  vqtest::TestOdbc db;
  std::unique_ptr<vqtest::FakeTdsServer> tds;  // FreeTds only: serves `db`'s file
  TDM dm;
  std::string reason;
};

INSTANTIATE_TEST_SUITE_P(Drivers, DMFetchValuesTest, ::testing::Values(TDriver::TestDriver, TDriver::FreeTds),
                         DriverName);

// Each value of the table comes back as it was stored, in a row of every case beside a row of
// nulls, so that a cell read after a long text, a null or another kind keeps nothing of it.
TEST_P(DMFetchValuesTest, EveryKindOfValueComesBackAsStored) {
  const std::vector<TValueCase> cases = Cases();
  std::string columns = "id int";
  std::string values = "1";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    columns += ", c" + std::to_string(i) + " " + cases[i].column;
    values += ", " + cases[i].literal;
  }
  ASSERT_TRUE(dm.SqlExec(reason, "create table v(" + columns + ")")) << reason;
  std::string error;
  ASSERT_TRUE(db.Exec("insert into v values(" + values + ")", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into v(id) values(2)", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into v values(3" + values.substr(1) + ")", &error)) << error;

  TDbQuery q;
  ASSERT_TRUE(dm.SqlOpen(reason, q, "select * from v order by id")) << reason;
  ASSERT_EQ(q.RecordCount(), 3);
  ASSERT_EQ(q.FieldCount(), static_cast<int>(cases.size()) + 1);
  for (int row = 1; row <= 3; ++row, q.Next()) {
    EXPECT_EQ(q.AsInt64(0), row);
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const TDbVariant expected = row == 2 ? TDbVariant() : cases[i].expected;
      const TDbVariant got = q.Value(static_cast<int>(i) + 1);
      EXPECT_TRUE(got == expected) << "row " << row << ", " << cases[i].column << " " << Describe(cases[i].expected)
                                   << ": got " << Describe(got);
    }
  }
}

}  // namespace
}  // namespace tessaly
