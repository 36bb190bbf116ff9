// SQL literals and ODBC connection strings: the two places where outside values enter texts
// that a server parses.
#include <gtest/gtest.h>

#include "engine/OdbcConnString.h"
#include "engine/SqlLiterals.h"

namespace tessaly {
namespace {

struct QuoteCase {
  std::string input;
  std::string expected;
};

// A text literal doubles every single quote, so a value can never end the literal early; text
// outside ASCII gets the N prefix, pure ASCII keeps the plain form; a NUL is joined in as a
// character function so that the statement text holds none.
TEST(SqlQuotedTest, EnclosesAndDoublesQuotes) {
  const QuoteCase cases[] = {
      {"it's", "'it''s'"},
      {"", "''"},
      {"'", "''''"},
      {"a'; drop table x; --", "'a''; drop table x; --'"},
      {"中文", "N'中文'"},
      {"会员😀", "N'会员😀'"},
      {"é", "N'é'"},
      {"~\x7f", "'~\x7f'"},
      {std::string("a\0b", 3), "('a'+CHAR(0)+'b')"},
      {std::string("\0", 1), "(''+CHAR(0)+'')"},
      {std::string("中\0'", 5), "(N'中'+NCHAR(0)+N'''')"},
      {"\"double\"", "'\"double\"'"},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlQuoted(c.input), c.expected) << c.input;
}

// Lists split like comma texts (blanks separate too, double quotes keep an item whole), skip
// empty items, quote each item and fall back to the empty literal.
TEST(SqlQuotedListTest, SplitsTrimsAndQuotes) {
  const QuoteCase cases[] = {
      {"", "''"},
      {" , ,, ", "''"},
      {"a,b", "'a','b'"},
      {"a b", "'a','b'"},
      {"\"a b\",c", "'a b','c'"},
      {"\"x \"\"y\"\"\",z", "'x \"y\"','z'"},
      {"o'neil,b", "'o''neil','b'"},
      {"  a ,\tb\r\n", "'a','b'"},
      {"1,,2,", "'1','2'"},
      {"\" \",q", "'q'"},
      {"甲,乙", "N'甲',N'乙'"},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlQuotedList(c.input), c.expected) << c.input;
}

// Date literals use the 24-hour clock and drop milliseconds.
TEST(SqlQuotedDateTest, FormatsTwentyFourHourClock) {
  EXPECT_EQ(SqlQuotedDate(EncodeDateTime({2024, 3, 5, 17, 4, 9, 987})), "'2024-03-05 17:04:09'");
  EXPECT_EQ(SqlQuotedDate(EncodeDateTime({2024, 12, 31, 0, 0, 0, 0})), "'2024-12-31 00:00:00'");
  EXPECT_EQ(SqlQuotedDate(0), "'1899-12-30 00:00:00'");
}

// A connection-string value holding a character of the ODBC syntax is braced with "}" doubled:
// a password holding ";", "=" or braces stays one value and cannot add attributes.
TEST(OdbcConnectionStringTest, BracesValuesThatNeedIt) {
  const QuoteCase cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"/tmp/x/shop.db", "/tmp/x/shop.db"},
      {"a;DATABASE=other", "{a;DATABASE=other}"},
      {"x}y", "{x}}y}"},
      {"}", "{}}}"},
      {"{", "{{}"},
      {"pa=ss", "{pa=ss}"},
      {" lead", "{ lead}"},
      {"trail ", "{trail }"},
      {"h,1433", "{h,1433}"},
      {"a[b]c", "{a[b]c}"},
      {"q?*!@()", "{q?*!@()}"},
  };
  for (const auto& c : cases) EXPECT_EQ(OdbcBraced(c.input), c.expected) << c.input;

  const TDbParams params{"DriverID=MSSQL", "Server=10.0.0.5,1433", "User_Name=sa", "Password=p;w}d=1",
                         "Database=shop"};
  EXPECT_EQ(OdbcConnectionString("ODBC Driver 17 for SQL Server", params),
            "DRIVER=ODBC Driver 17 for SQL Server;SERVER={10.0.0.5,1433};UID=sa;PWD={p;w}}d=1};DATABASE=shop;");
}

struct DriverCase {
  std::vector<std::string> installed;
  std::string expected;
};

// Without a named driver the first installed one of the preferred list wins, whatever the
// order of installation and the case of its name.
TEST(ChooseSqlServerDriverTest, TakesFirstPreferredInstalled) {
  const DriverCase cases[] = {
      {{}, ""},
      {{"SQLite3", "PostgreSQL"}, ""},
      {{"FreeTDS"}, "FreeTDS"},
      {{"FreeTDS", "ODBC Driver 17 for SQL Server"}, "ODBC Driver 17 for SQL Server"},
      {{"ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"}, "ODBC Driver 18 for SQL Server"},
      {{"SQL Server", "ODBC Driver 18 for SQL Server"}, "SQL Server"},
      {{"sql native client", "SQL Server"}, "sql native client"},
      {{"SQL Server Native Client 10.0", "ODBC Driver 11 for SQL Server"}, "ODBC Driver 11 for SQL Server"},
      {{"ODBC Driver 11 for SQL Server", "SQL Server Native Client 11.0"}, "SQL Server Native Client 11.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseSqlServerDriver(c.installed), c.expected) << (c.installed.empty() ? "" : c.installed[0]);
  }
}

// Parameter names compare without case and the first line of a name wins.
TEST(DbParamsTest, ValueByNameWithoutCase) {
  const TDbParams p{"DriverID=MSSQL", "server=h,1", "Password=a=b", "Server=second"};
  EXPECT_EQ(p.Value("Server"), "h,1");
  EXPECT_EQ(p.Value("PASSWORD"), "a=b");
  EXPECT_EQ(p.Value("Database"), "");
}

}  // namespace
}  // namespace tessaly
