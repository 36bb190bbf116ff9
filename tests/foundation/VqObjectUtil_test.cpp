#include "foundation/VqObjectUtil.h"

#include <gtest/gtest.h>

#include "foundation/JSONHelperUtil.h"
#include "support/TestRecords.h"

namespace {

using tessaly::ReadVqObject;
using vqtest::TTestOrder;
using vqtest::TTestOrderRespond;

// The table lists each property once, in declaration order, base class first.
TEST(VqObject, PropertyTableKeepsDeclarationOrder) {
  std::vector<std::string> names;
  for (const auto& p : TTestOrderRespond{}.Properties()) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"bResult", "errMsg", "oResult"}));
  EXPECT_STREQ(TTestOrderRespond{}.ClassName(), "TTestOrderRespond");
  EXPECT_TRUE(tessaly::TVqObject{}.Properties().empty());
}

// Members match properties by name; nested objects create records and arrays one record per
// element; unknown members are ignored.
TEST(ReadVqObject, ReadsNestedRecordsAndArrays) {
  TTestOrderRespond reply;
  std::string erro;
  ASSERT_TRUE(ReadVqObject(R"({"bResult":true,"errMsg":"好","extra":{"x":[1]},"oResult":{
      "softid":-7,"sheet_no":"S\/1","real_amt":12,"unknown":null,
      "pos_detail":[{"softid":1,"sheet_no":"a","sheet_sort":1,"sub_qty":1.5},{"sheet_sort":2}],
      "first_line":{"sheet_sort":9}}})",
                           reply, erro))
      << erro;
  EXPECT_TRUE(reply.bResult);
  EXPECT_EQ(reply.errMsg, "好");
  ASSERT_NE(reply.oResult, nullptr);
  const TTestOrder& order = *reply.oResult;
  EXPECT_EQ(order.softid, -7);
  EXPECT_EQ(order.sheet_no, "S/1");
  EXPECT_EQ(order.real_amt, 12.0);
  ASSERT_EQ(order.pos_detail.size(), 2U);
  EXPECT_EQ(order.pos_detail[0].sheet_no, "a");
  EXPECT_EQ(order.pos_detail[0].sub_qty, 1.5);
  EXPECT_EQ(order.pos_detail[1].sheet_sort, 2);
  EXPECT_EQ(order.pos_detail[1].sheet_no, "");
  ASSERT_NE(order.first_line, nullptr);
  EXPECT_EQ(order.first_line->sheet_sort, 9);
}

// Missing or null members leave 0, empty, False, an empty array or no record.
TEST(ReadVqObject, MissingMembersLeaveDefaults) {
  for (const char* text : {R"({})", R"({"oResult":{}})", R"({"bResult":null,"oResult":{"pos_detail":null}})",
                           R"({"oResult":{"pos_detail":[]}})"}) {
    TTestOrderRespond reply;
    std::string erro;
    ASSERT_TRUE(ReadVqObject(text, reply, erro)) << text << erro;
    EXPECT_FALSE(reply.bResult);
    EXPECT_EQ(reply.errMsg, "");
    if (reply.oResult) {
      EXPECT_EQ(reply.oResult->softid, 0);
      EXPECT_EQ(reply.oResult->real_amt, 0.0);
      EXPECT_TRUE(reply.oResult->pos_detail.empty());
      EXPECT_EQ(reply.oResult->first_line, nullptr);
    }
  }
  TTestOrderRespond reply;
  std::string erro;
  ASSERT_TRUE(ReadVqObject("{}", reply, erro));
  EXPECT_EQ(reply.oResult, nullptr);
}

// A text that is not a JSON object, and a member whose value does not fit its property, fail with
// a message naming the member.
TEST(ReadVqObject, RejectsWhatDoesNotFit) {
  struct Case {
    const char* text;
    const char* errorPart;
  } cases[] = {
      {"", ""},
      {"{bad", ""},
      {"[]", "not a JSON object"},
      {"5", "not a JSON object"},
      {"\"x\"", "not a JSON object"},
      {"null", "not a JSON object"},
      {R"({"bResult":1})", "\"bResult\""},
      {R"({"bResult":"true"})", "\"bResult\""},
      {R"({"errMsg":5})", "\"errMsg\""},
      {R"({"oResult":[]})", "\"oResult\""},
      {R"({"oResult":{"softid":"7"}})", "\"oResult.softid\""},
      {R"({"oResult":{"softid":7.5}})", "\"oResult.softid\""},
      {R"({"oResult":{"softid":3000000000}})", "\"oResult.softid\""},
      {R"({"oResult":{"softid":-3000000000}})", "\"oResult.softid\""},
      {R"({"oResult":{"real_amt":"1.5"}})", "\"oResult.real_amt\""},
      {R"({"oResult":{"pos_detail":{}}})", "\"oResult.pos_detail\""},
      {R"({"oResult":{"pos_detail":[{},5]}})", "\"oResult.pos_detail[1]\""},
      {R"({"oResult":{"pos_detail":[{"sheet_sort":"x"}]}})", "\"oResult.pos_detail[0].sheet_sort\""},
  };
  for (const auto& c : cases) {
    TTestOrderRespond reply;
    std::string erro;
    EXPECT_FALSE(ReadVqObject(c.text, reply, erro)) << c.text;
    EXPECT_FALSE(erro.empty()) << c.text;
    EXPECT_NE(erro.find(c.errorPart), std::string::npos) << c.text << " -> " << erro;
  }
}

// What Obj2JSON writes reads back to the same values, date-times included.
TEST(ReadVqObject, ReadsBackWhatObj2JSONWrites) {
  vqtest::TTestRow row;
  row.softid = 42;
  row.Sheet_no = "S\"/中\xf0\x9f\x98\x80";
  row.amt = 1234.5678;
  row.valid = true;
  row.oper_date = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 45});
  std::string json = tessaly::TJSONHelper::Obj2JSON(row);
  json.replace(json.find("sheet_no"), 8, "Sheet_no");  // the writer lower-cases the first letter
  vqtest::TTestRow back;
  std::string erro;
  ASSERT_TRUE(ReadVqObject(json, back, erro)) << erro;
  EXPECT_EQ(back.softid, 42);
  EXPECT_EQ(back.Sheet_no, row.Sheet_no);
  EXPECT_EQ(back.amt, row.amt);
  EXPECT_TRUE(back.valid);
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-MM-dd hh:nn:ss.zzz", back.oper_date), "2024-03-05 14:07:09.045");
}

}  // namespace
