#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "foundation/JSONHelperUtil.h"
#include "support/TestRecords.h"

// Two record classes under one class name, as in two namespaces of one program.
namespace first_kind {
class TTwinRecord : public tessaly::TVqObject {
 public:
  int a = 0;
  VQ_RECORD(TTwinRecord, VQ_PROP(a))
};
}  // namespace first_kind
namespace second_kind {
class TTwinRecord : public tessaly::TVqObject {
 public:
  std::string b;
  VQ_RECORD(TTwinRecord, VQ_PROP(b))
};
}  // namespace second_kind

namespace {

using tessaly::TJSONHelper;
using tessaly::TVqObject;
using vqtest::TTestLine;
using vqtest::TTestOrder;
using vqtest::TTestOrderRespond;

TTestOrderRespond SampleReply() {
  TTestOrderRespond reply;
  reply.bResult = true;
  reply.errMsg = "成功/ok";
  reply.oResult = std::make_unique<TTestOrder>();
  reply.oResult->softid = -7;
  reply.oResult->sheet_no = "S\"1";
  reply.oResult->real_amt = 12.25;
  for (int i = 1; i <= 2; ++i) {
    TTestLine& line = reply.oResult->pos_detail.emplace_back();
    line.softid = i;
    line.sheet_no = "行" + std::to_string(i);
    line.sheet_sort = 10 * i;
    line.sub_qty = 1.5 * i;
  }
  return reply;
}

void ExpectSameReply(const TVqObject* aObj, const TTestOrderRespond& aWant) {
  const auto* got = dynamic_cast<const TTestOrderRespond*>(aObj);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->bResult, aWant.bResult);
  EXPECT_EQ(got->errMsg, aWant.errMsg);
  ASSERT_NE(got->oResult, nullptr);
  EXPECT_EQ(got->oResult->softid, aWant.oResult->softid);
  EXPECT_EQ(got->oResult->sheet_no, aWant.oResult->sheet_no);
  EXPECT_EQ(got->oResult->real_amt, aWant.oResult->real_amt);
  EXPECT_EQ(got->oResult->first_line, nullptr);
  ASSERT_EQ(got->oResult->pos_detail.size(), aWant.oResult->pos_detail.size());
  for (std::size_t i = 0; i < aWant.oResult->pos_detail.size(); ++i) {
    EXPECT_EQ(got->oResult->pos_detail[i].softid, aWant.oResult->pos_detail[i].softid) << i;
    EXPECT_EQ(got->oResult->pos_detail[i].sheet_no, aWant.oResult->pos_detail[i].sheet_no) << i;
    EXPECT_EQ(got->oResult->pos_detail[i].sheet_sort, aWant.oResult->pos_detail[i].sheet_sort) << i;
    EXPECT_EQ(got->oResult->pos_detail[i].sub_qty, aWant.oResult->pos_detail[i].sub_qty) << i;
  }
}

// The tagged form carries the class name, id 1 and the fields in Obj2JSON's form; the string
// form is the fields member alone.
TEST(ObjectToJSON, TagsTheObjectAroundItsFields) {
  TTestLine line;
  line.softid = 3;
  line.sheet_no = "A/中";
  line.sheet_sort = 2;
  line.sub_qty = 0.5;
  const std::string fields = R"({"softid":3,"sheet_no":"A\/\u4E2D","sheet_sort":2,"sub_qty":0.5})";
  EXPECT_EQ(TJSONHelper::ObjectToJSON(line).ToJSON(), R"({"type":"TTestLine","id":1,"fields":)" + fields + "}");
  EXPECT_EQ(TJSONHelper::ObjectToJSONString(line), fields);

  const TTestOrderRespond reply = SampleReply();
  EXPECT_EQ(TJSONHelper::ObjectToJSONString(reply), TJSONHelper::Obj2JSON(reply));
}

// A record of a derived class with a nested record and an array of records comes back as a new
// object of that class with every value, from the text and from the parsed value alike.
TEST(JSONToObject, RoundTripsNestedRecordsAndArrays) {
  const TTestOrderRespond reply = SampleReply();
  const std::string text = TJSONHelper::ObjectToJSON(reply).ToJSON();

  std::string erro;
  const auto fromText = TJSONHelper::JSONToObject(text, erro);
  ASSERT_NE(fromText, nullptr) << erro;
  EXPECT_STREQ(fromText->ClassName(), "TTestOrderRespond");
  ExpectSameReply(fromText.get(), reply);

  const auto fromValue = TJSONHelper::JSONToObject(nlohmann::ordered_json::parse(text), erro);
  ASSERT_NE(fromValue, nullptr) << erro;
  ExpectSameReply(fromValue.get(), reply);
  EXPECT_EQ(TJSONHelper::ObjectToJSON(*fromValue).ToJSON(), text);
}

// A property whose name starts with a capital is written under a lower-case member name; it
// must still be read back, as must a date-time with its milliseconds.
TEST(JSONToObject, ReadsMembersUnderTheirWrittenNames) {
  vqtest::TTestRow row;
  row.softid = 9;
  row.Sheet_no = "S-9";
  row.amt = 2.5;
  row.valid = true;
  row.oper_date = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 45});
  std::string erro;
  const auto obj = TJSONHelper::JSONToObject(TJSONHelper::ObjectToJSON(row).ToJSON(), erro);
  const auto* back = dynamic_cast<const vqtest::TTestRow*>(obj.get());
  ASSERT_NE(back, nullptr) << erro;
  EXPECT_EQ(back->Sheet_no, "S-9");
  EXPECT_EQ(back->softid, 9);
  EXPECT_EQ(back->amt, 2.5);
  EXPECT_TRUE(back->valid);
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-MM-dd hh:nn:ss.zzz", back->oper_date), "2024-03-05 14:07:09.045");

  // The property's own name is read too, and "id" carries nothing on reading.
  const auto exact = TJSONHelper::JSONToObject(R"({"type":"TTestRow","fields":{"Sheet_no":"x"}})", erro);
  ASSERT_NE(exact, nullptr) << erro;
  EXPECT_EQ(dynamic_cast<const vqtest::TTestRow&>(*exact).Sheet_no, "x");
}

// Whatever is not a tagged object of one registered class, with fields that fit, gives no object
// and says why; nothing is thrown.
TEST(JSONToObject, RefusesBadInputWithTheReason) {
  struct Case {
    const char* text;
    const char* reason;  // part of the error text
  };
  const Case cases[] = {
      {R"({"type":"TTestLine")", "parse error"},
      {"", "parse error"},
      {R"([{"type":"TTestLine","id":1,"fields":{}}])", "not a JSON object but array"},
      {R"("TTestLine")", "not a JSON object but string"},
      {"null", "not a JSON object but null"},
      {R"({"id":1,"fields":{}})", R"(member "type" is missing or not a string)"},
      {R"({"type":7,"id":1,"fields":{}})", R"(member "type" is missing or not a string)"},
      {R"({"type":"TTestLine","id":1})", R"(member "fields" is missing or not an object)"},
      {R"({"type":"TTestLine","id":1,"fields":[1]})", R"(member "fields" is missing or not an object)"},
      {R"({"type":"TNoSuchRecord","id":1,"fields":{}})", R"(no record class is named "TNoSuchRecord")"},
      {R"({"type":"ttestline","id":1,"fields":{}})", R"(no record class is named "ttestline")"},
      {R"({"type":"TVqObject","id":1,"fields":{}})", R"(no record class is named "TVqObject")"},
      {R"({"type":"TTwinRecord","id":1,"fields":{}})", R"(more than one record class is named "TTwinRecord")"},
      {R"({"type":"TTestLine","id":1,"fields":{"softid":"7"}})",
       R"(member "softid" of type string does not fit property type Integer)"},
      {R"({"type":"TTestLine","id":1,"fields":{"sub_qty":true}})",
       R"(member "sub_qty" of type boolean does not fit property type Double)"},
      {R"({"type":"TTestOrder","id":1,"fields":{"pos_detail":{}}})",
       R"(member "pos_detail" of type object does not fit property type TArray<TTestLine>)"},
      {R"({"type":"TTestOrder","id":1,"fields":{"pos_detail":[{"sheet_sort":1},{"sheet_sort":"x"}]}})",
       R"(member "pos_detail[1].sheet_sort" of type string)"},
      {R"({"type":"TTestOrderRespond","id":1,"fields":{"oResult":{"first_line":[]}}})",
       R"(member "oResult.first_line" of type array does not fit property type TTestLine)"},
  };
  for (const auto& c : cases) {
    std::string erro;
    std::unique_ptr<TVqObject> obj;
    EXPECT_NO_THROW(obj = TJSONHelper::JSONToObject(std::string(c.text), erro)) << c.text;
    EXPECT_EQ(obj, nullptr) << c.text;
    EXPECT_NE(erro.find(c.reason), std::string::npos) << c.text << " -> " << erro;
  }
  // The value overload checks the same things.
  std::string erro;
  EXPECT_EQ(TJSONHelper::JSONToObject(nlohmann::ordered_json::array(), erro), nullptr);
  EXPECT_EQ(erro, "not a JSON object but array");
}

}  // namespace
