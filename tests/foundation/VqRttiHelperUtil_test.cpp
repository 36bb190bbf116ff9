#include "foundation/VqRttiHelperUtil.h"

#include <gtest/gtest.h>

#include "support/TestRecords.h"

namespace {

using tessaly::TVqRttiHelper;

class TMasterRow : public tessaly::TVqObject {
 public:
  int softid = 7;
  std::string sheet_no = "A1";
  double real_amt = 12.5;
  VQ_RECORD(TMasterRow, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(real_amt))
};

const char kExample[] =
    "if exists(select 1 from spf_t_pos_master where 1=1  and softid=7 and sheet_no='A1')    "
    "update spf_t_pos_master set real_amt=12.5 where 1=1  and softid=7 and sheet_no='A1' else    "
    "insert into spf_t_pos_master(softid,sheet_no,real_amt) values(7,'A1',12.5)";

// The statement byte for byte; keys match without case, in any order and separation, and
// names that are no property are ignored. aResult is left alone on success.
TEST(GetAdpterSql, BuildsTheUpsertStatement) {
  for (const char* keys : {"softid,sheet_no", "SOFTID,SHEET_NO", "sheet_no, softid", "softid sheet_no",
                           "softid,sheet_no,nosuch", "\"softid\",Sheet_No"}) {
    std::string result = "keep";
    EXPECT_EQ(TVqRttiHelper::GetAdpterSql(TMasterRow{}, "spf_t_pos_master", keys, result), kExample)
        << keys;
    EXPECT_EQ(result, "keep");
  }
}

// Texts are quoted with inner quotes doubled; doubles are rounded to four places and written in
// the general form without an exponent, tiny ones as 0; date-times are quoted in the 24-hour form.
TEST(GetAdpterSql, WritesValueTexts) {
  struct Case {
    std::string sheet;
    double amt;
    const char* sheetText;
    const char* amtText;
  } cases[] = {
      {"O'Neil", 1, "'O''Neil'", "1"},
      {"''", 1234.56789, "''''''", "1234.5679"},
      {"中", 0.123456, "N'中'", "0.1235"},
      {"", 3, "''", "3"},
      {"x", -0.00004, "'x'", "0"},
      {"x", 2.00005, "'x'", "2.0001"},
      {"x", -12.34565, "'x'", "-12.3457"},
      {"x", 9.99995, "'x'", "10"},
      {"x", -99.99996, "'x'", "-100"},
      {"x", 0.00004, "'x'", "0"},
      {"x", 1e20, "'x'", "100000000000000000000"},
      {"x", -1.5e15, "'x'", "-1500000000000000"},
      {"x", 123456789012345678.0, "'x'", "123456789012346000"},
      {"x", 1e-61, "'x'", "0"},
      {"x", -3e-200, "'x'", "0"},
      {"x", 5e-324, "'x'", "0"},
      {"x", 0.00005, "'x'", "0.0001"},
  };
  for (const auto& c : cases) {
    TMasterRow row;
    row.sheet_no = c.sheet;
    row.real_amt = c.amt;
    std::string result;
    const std::string sql = TVqRttiHelper::GetAdpterSql(row, "t", "softid", result);
    EXPECT_EQ(sql, std::string("if exists(select 1 from t where 1=1  and softid=7)    update t set sheet_no=") +
                       c.sheetText + ",real_amt=" + c.amtText +
                       " where 1=1  and softid=7 else    insert into t(softid,sheet_no,real_amt) values(7," +
                       c.sheetText + "," + c.amtText + ")");
  }
}

// Date-times and Booleans as quoted texts.
TEST(GetAdpterSql, WritesDateTimesQuoted) {
  vqtest::TTestRow row;
  row.softid = 1;
  row.Sheet_no = "S";
  row.amt = 2;
  row.valid = true;
  row.oper_date = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  std::string result;
  EXPECT_EQ(TVqRttiHelper::GetAdpterSql(row, "t", "softid", result),
            "if exists(select 1 from t where 1=1  and softid=1)    update t set Sheet_no='S',amt=2,"
            "valid='True',oper_date='2024-03-05 14:07:09' where 1=1  and softid=1 else    insert into "
            "t(softid,Sheet_no,amt,valid,oper_date) values(1,'S',2,'True','2024-03-05 14:07:09')");
}

// No property: empty and aResult untouched. No key property, only keys, or a property without a
// column value: empty with the reason.
TEST(GetAdpterSql, RefusesStatementsThatWouldBeWrong) {
  std::string result = "keep";
  EXPECT_EQ(TVqRttiHelper::GetAdpterSql(vqtest::TEmptyRecord{}, "t", "softid", result), "");
  EXPECT_EQ(result, "keep");

  struct Case {
    const char* keys;
    const char* reasonPart;
  } cases[] = {
      {"nosuch", "every row"},
      {"", "every row"},
      {"softid,sheet_no,real_amt", "nothing left to update"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(TVqRttiHelper::GetAdpterSql(TMasterRow{}, "t", c.keys, reason), "") << c.keys;
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
  }

  std::string reason;
  EXPECT_EQ(TVqRttiHelper::GetAdpterSql(vqtest::TTestOrder{}, "t", "softid", reason), "");
  EXPECT_NE(reason.find("pos_detail"), std::string::npos) << reason;
}

// The property lines name each property and its type, in order; the list is cleared first.
TEST(GetProperty, ListsNamesAndTypeNames) {
  std::vector<std::string> lines{"old"};
  EXPECT_FALSE(TVqRttiHelper::GetProperty(vqtest::TTestOrder{}.Properties(), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"softid=Integer", "sheet_no=string", "real_amt=Double",
                                             "pos_detail=TArray<TTestLine>", "first_line=TTestLine"}));
  EXPECT_FALSE(TVqRttiHelper::GetProperty(vqtest::TTestOrderRespond{}.Properties(), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"bResult=Boolean", "errMsg=string", "oResult=TTestOrder"}));
  EXPECT_FALSE(TVqRttiHelper::GetProperty(vqtest::TTestRow{}.Properties(), lines));
  EXPECT_EQ(lines.back(), "oper_date=TDateTime");
}

}  // namespace
