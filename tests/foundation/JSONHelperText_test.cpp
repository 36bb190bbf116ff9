#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "foundation/Clock.h"
#include "foundation/JSONHelperUtil.h"
#include "support/FakeClock.h"
#include "support/MemDataset.h"

namespace {

using tessaly::TJSONHelper;

// Digit tests trim first and accept the empty text.
TEST(JSONHelperText, DigitTests) {
  struct Case {
    const char* text;
    bool isInt, isFloat;
  } cases[] = {
      {"", true, true},      {" 123 ", true, true}, {"12.5", false, true}, {".5", false, true},
      {"1.2.3", false, false}, {"-1", false, false}, {"1e5", false, false}, {"1 2", false, false},
      {"０", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TJSONHelper::IsInt(c.text), c.isInt) << c.text;
    EXPECT_EQ(TJSONHelper::IsFloat(c.text), c.isFloat) << c.text;
  }
}

// Comma texts split on commas and blanks; items that are not non-negative integers give 0, and
// the 64-bit list keeps values beyond 32 bits.
TEST(JSONHelperText, CommaTextArrays) {
  EXPECT_EQ(TJSONHelper::StrToArray("a,b c,\"d e\",,"),
            (std::vector<std::string>{"a", "b", "c", "d e", "", ""}));
  EXPECT_EQ(TJSONHelper::StrToArrayInt("1, 22,-3,x,2147483647,2147483648"),
            (tessaly::TArrayInt{1, 22, 0, 0, 2147483647, 0}));
  EXPECT_EQ(TJSONHelper::StrToInt64Array("1,5000000000,-3,x"),
            (std::vector<std::int64_t>{1, 5000000000LL, 0, 0}));
}

// Unix seconds shown in UTC+8, both ways; the current stamp comes from the process clock.
TEST(JSONHelperText, TimestampsAreUtcPlusEight) {
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-MM-dd hh:nn:ss", TJSONHelper::GetDatetime(0)),
            "1970-01-01 08:00:00");
  const auto when = tessaly::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  EXPECT_EQ(TJSONHelper::GetTimestamp(when), 1709618829);
  EXPECT_EQ(TJSONHelper::GetTimestamp(TJSONHelper::GetDatetime(1709618829)), 1709618829);
  vqtest::FakeClock clock(when);
  tessaly::SetClock(&clock);
  EXPECT_EQ(TJSONHelper::Timestamp(), "1709618829");
  tessaly::SetClock(nullptr);
}

// Member look-ups: plain value or JSON text, the default when missing, null or unparsable.
TEST(JSONHelperText, JSONValueLookups) {
  const std::string doc = R"({"s":"a/中","n":12.5,"i":7,"b":true,"z":null,"o":{"k":"v","m":[1,"x"]}})";
  struct Case {
    const char* name;
    int type;
    const char* value;
  } cases[] = {
      {"s", 1, "a/中"},           {"s", 0, R"("a\/\u4E2D")"}, {"n", 1, "12.5"},
      {"i", 0, "7"},              {"b", 1, "true"},           {"z", 1, "def"},
      {"missing", 0, "def"},      {"o", 0, R"({"k":"v","m":[1,"x"]})"},
  };
  for (const auto& c : cases) EXPECT_EQ(TJSONHelper::JSONValue(doc, c.name, "def", c.type), c.value) << c.name;
  EXPECT_EQ(TJSONHelper::JSONValue(doc, "o", "k", "def", 1), "v");
  EXPECT_EQ(TJSONHelper::JSONValue(doc, "o", "nope", "def", 1), "def");
  EXPECT_EQ(TJSONHelper::JSONValue(doc, "s", "k", "def", 1), "def");
  EXPECT_EQ(TJSONHelper::JSONValue("not json", "s", "def", 1), "def");
  EXPECT_EQ(TJSONHelper::JSONValue(nlohmann::ordered_json::parse(doc), "i", "def", 1), "7");
}

// Lists and dictionaries: empty values / blank keys left out; values escaped, list names not.
TEST(JSONHelperText, ListAndDictionaryObjects) {
  EXPECT_EQ(TJSONHelper::ListToJSON({"a=1", "b=", "c=x/中", "noequals", "d=e=f"}),
            R"({"a":"1","c":"x\/\u4E2D","d":"e=f"})");
  EXPECT_EQ(TJSONHelper::ListToJSON({}), "{}");
  EXPECT_EQ(TJSONHelper::Dict2JSON({}), "");
  EXPECT_EQ(TJSONHelper::Dict2JSON({{" ", "x"}, {"k/1", "v"}, {"名", "值"}}),
            R"({"k\/1":"v","\u540D":"\u503C"})");
}

// Adding an object keeps member order and writes the agent's form; any failure returns the input.
TEST(JSONHelperText, AddObjectAndPlainForms) {
  EXPECT_EQ(TJSONHelper::JSONAddObject(R"({"z":1,"a":"中"})", "sub", R"({"y":[true]})"),
            R"({"z":1,"a":"\u4E2D","sub":{"y":[true]}})");
  EXPECT_EQ(TJSONHelper::JSONAddObject("[1]", "sub", "{}"), "[1]");
  EXPECT_EQ(TJSONHelper::JSONAddObject("{}", "sub", "oops"), "{}");
  EXPECT_EQ(TJSONHelper::AnsiJSON(R"({"a":"\u4E2D\/\"q\""})"), R"({"a":"中/\"q\""})");
  EXPECT_EQ(TJSONHelper::AnsiJSON("[1]"), "[1]");
  EXPECT_EQ(TJSONHelper::AnsiJSON("oops"), "oops");
}

// Pretty printing: one line per member, one indent per level, ": " after names, prefix kept.
TEST(JSONHelperText, FormatJSONIndents) {
  EXPECT_EQ(TJSONHelper::FormatJSON(R"({"a":1,"b":["x , y",{"c":"\u4E2D"}]})", "  "),
            "{\r\n  \"a\": 1,\r\n  \"b\": [\r\n    \"x , y\",\r\n    {\r\n      \"c\": \"中\"\r\n    }\r\n  ]\r\n}");
  EXPECT_EQ(TJSONHelper::FormatJSON("no object here", "  "), "no object here");
}

// Source generators: class text and table script typed from each member's value.
TEST(JSONHelperText, JSON2CodeGeneratesClassAndTable) {
  const std::string doc = R"({"id":1,"amt":"2.5","ok":true,"at":"2024-03-05 14:07:09","name":""})";
  EXPECT_EQ(TJSONHelper::JSON2Code(doc, "order", "订单", 0, "TVqObject"),
            "  //订单\r\n  TOrder = class(TVqObject)\r\n  private\r\n"
            "    FId: Integer; //\"id\":1\r\n"
            "    FAmt: Double; //\"amt\":\"2.5\"\r\n"
            "    FOk: Boolean; //\"ok\":true\r\n"
            "    FAt: TDatetime; //\"at\":\"2024-03-05 14:07:09\"\r\n"
            "    FName: String; //\"name\":\"\"\r\n"
            "  published\r\n"
            "    property id: Integer read FId write FId;\r\n"
            "    property amt: Double read FAmt write FAmt;\r\n"
            "    property ok: Boolean read FOk write FOk;\r\n"
            "    property at: TDatetime read FAt write FAt;\r\n"
            "    property name: String read FName write FName;\r\n"
            "  end;");
  EXPECT_EQ(TJSONHelper::JSON2Code(doc, "t_order", "", 1, ""),
            "-- drop table t_order\r\n-- select * from t_order\r\n"
            "if not exists(select 1 from sysobjects where name='t_order')\r\n"
            "CREATE TABLE t_order(\r\n"
            "\tid int NOT NULL, --\"id\":1\r\n"
            "\tamt numeric(18, 4), --\"amt\":\"2.5\"\r\n"
            "\tok int, --\"ok\":true\r\n"
            "\tat datetime, --\"at\":\"2024-03-05 14:07:09\"\r\n"
            "\tname varchar(20), --\"name\":\"\"\r\n"
            " CONSTRAINT PK_t_order PRIMARY KEY CLUSTERED \r\n(\r\n\tid\r\n)\r\n)\r\n");
  EXPECT_EQ(TJSONHelper::JSON2Code("{}", "x", "", 0, "TObject"), "");
  EXPECT_EQ(TJSONHelper::JSON2Code(doc, "x", "", 2, "TObject"), "");
  EXPECT_EQ(TJSONHelper::JSON2Code("[1]", "x", "", 0, "TObject").rfind("ERRO: ", 0), 0U);
}

// Rows into a table: fields from the first element ("created"/"modified" as date-times, the
// rest 1000-character texts), date-time members read as seconds, a bad row kept as an error.
TEST(JSONHelperText, JSONToDataFillsATable) {
  vqtest::MemDataset data;
  std::string erro;
  ASSERT_TRUE(TJSONHelper::JSONToData(
      R"( {"data":[{"id":"a1","Created":"0","n":5},{"n":null,"id":"b/2","Created":""},)"
      R"({"id":"c","Created":"x","n":true},{"id":"d"},{"id":"e","other":1},{"id":"f"}]} )",
      "data", data, erro));
  EXPECT_EQ(erro, "初始化数据失败,element has no member Created");
  ASSERT_EQ(data.FieldCount(), 3);
  EXPECT_EQ(data.FieldName(0), "id");
  EXPECT_EQ(data.FieldKind(0), tessaly::TVqFieldKind::String);
  EXPECT_EQ(data.FieldSize(0), 1000);
  EXPECT_EQ(data.FieldKind(1), tessaly::TVqFieldKind::DateTime);
  ASSERT_EQ(data.RecordCount(), 5);  // "d" reads only its one member; "e" fails once appended
  data.First();
  EXPECT_EQ(data.AsString(0), "a1");
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-MM-dd hh:nn:ss", data.AsDateTime(1)), "1970-01-01 08:00:00");
  EXPECT_EQ(data.AsString(2), "5");
  data.Next();
  EXPECT_EQ(data.AsString(0), "b/2");
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-MM-dd hh:nn:ss", data.AsDateTime(1)), "1970-01-01 08:00:00");
  EXPECT_EQ(data.AsString(2), "");
  data.Next();
  EXPECT_TRUE(data.IsNull(1));
  EXPECT_EQ(data.AsString(2), "true");
}

// The failures of each overload and their texts.
TEST(JSONHelperText, JSONToDataFailures) {
  struct Case {
    std::string json, sect;
    bool result;
    std::string erro;
  } cases[] = {
      {R"({"data":[]})", "", false, "无数据"},
      {R"({"data":[5]})", "", false, "解析初始化失败,the first element is not an object"},
      {R"({"data":[{"a":1},null]})", "", true, "初始化数据失败,element is null, not an object"},
      {R"([1])", "", false, "untouched"},
      {R"({"x":1})", "", false, "member data is not an array"},
      {R"({"r":{"data":[{"id":1}]}})", "r", true, "untouched"},
      {R"({"r":5})", "r", false, "member r is not an object"},
  };
  for (const auto& c : cases) {
    vqtest::MemDataset data;
    std::string erro = "untouched";
    const bool ok = c.sect.empty() ? TJSONHelper::JSONToData(c.json, "data", data, erro)
                                   : TJSONHelper::JSONToData(c.json, c.sect, "data", data, erro);
    EXPECT_EQ(ok, c.result) << c.json;
    EXPECT_EQ(erro, c.erro) << c.json;
  }
  vqtest::MemDataset data;
  std::string erro;
  EXPECT_FALSE(TJSONHelper::JSONToData("{oops", "data", data, erro));
  EXPECT_FALSE(erro.empty());
  EXPECT_FALSE(TJSONHelper::JSONToData(nlohmann::ordered_json::parse("[]"), data, erro));
  EXPECT_EQ(erro, "无数据");
}

}  // namespace
