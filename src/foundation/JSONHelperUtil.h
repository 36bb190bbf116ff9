#pragma once
// Query results and record objects as the JSON texts the agent uploads, plus small JSON and text
// utilities. Every text written follows JsonWriter.h (pure ASCII, fixed number form).
// No shared state: any thread may convert at once, each with its own dataset and hook; the hook
// runs on the converting thread. Nothing here throws: failures come back as false plus a text.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "foundation/DateTime.h"
#include "foundation/JsonWriter.h"
#include "foundation/VqDataset.h"
#include "foundation/VqObjectUtil.h"

namespace tessaly {

// The field hook: may replace the value of field aName before it is written. aValue arrives as
// int64 for integer kinds, double for float kinds, bool for Boolean and text for the others
// (null already turned into 0, 0.0, false or ""). A value handed back must convert to the field
// kind (a number text for a number field, an integer in the field's range), else the page fails;
// so does a hook that throws.
using TOnDatasetFiledToJSON = std::function<void(IVqDataset& aDataset, const std::string& aTable,
                                                 const std::string& aName, TVqVariant& aValue)>;

using TArrayInt = std::vector<std::int32_t>;

class TJSONHelper {
 public:
  TJSONHelper() = delete;

  // Appends one object per row of the window to aJSONArry. The window is the rows
  // [aDataStart, aDataStart + aDataLen) counted from 0; aDataStart < 0 or aDataLen < 1 takes all
  // rows. Rows before the window are not read. On failure false, aErro = "数据集转换JSON组出错,"
  // + reason, and the rows appended so far stay in aJSONArry. Moves the dataset's current row.
  [[nodiscard]] static bool Dataset2JSONArry(const std::string& aTable, IVqDataset& aDataset,
                                             int aDataStart, int aDataLen, TJsonArray& aJSONArry,
                                             std::string& aErro,
                                             const TOnDatasetFiledToJSON& aOnToJSONValue = {});
  // As above; aJSON = the array text ("[]" for an empty window), or the error text.
  [[nodiscard]] static bool Dataset2JSONArry(const std::string& aTable, IVqDataset& aDataset,
                                             int aDataStart, int aDataLen, std::string& aJSON,
                                             const TOnDatasetFiledToJSON& aOnToJSONValue = {});
  // aJSON = {"<aTable>":[rows]}, or the error text.
  [[nodiscard]] static bool Dataset2JSON(const std::string& aTable, IVqDataset& aDataset,
                                         int aDataStart, int aDataLen, std::string& aJSON,
                                         const TOnDatasetFiledToJSON& aOnToJSONValue = {});
  [[nodiscard]] static bool Dataset2JSON(const std::string& aTable, IVqDataset& aDataset,
                                         std::string& aJSON,
                                         const TOnDatasetFiledToJSON& aOnToJSONValue = {});

  // One member per property in declared order, named by the property with its first letter in
  // lower case; nested records as objects (null when absent), arrays as arrays, TDateTime as
  // "yyyy-mm-ddThh:nn:ss.zzzZ". Never throws.
  [[nodiscard]] static std::string Obj2JSON(const TVqObject& aObj);

  template <class T>
  [[nodiscard]] static T Iif(bool b, T aTValue, T aFValue) {
    return b ? aTValue : aFValue;
  }
  [[nodiscard]] static std::string SqlStr(const std::string& aStr);
  // Digits 0-9 only after trimming (true for an empty text); IsFloat allows one ".".
  [[nodiscard]] static bool IsInt(const std::string& aValue);
  [[nodiscard]] static bool IsFloat(const std::string& aValue);
  // Items of a comma text (commas and blanks separate, double quotes group).
  [[nodiscard]] static std::vector<std::string> StrToArray(const std::string& aArrStr);
  // An item that is not a non-negative 32-bit integer gives 0.
  [[nodiscard]] static TArrayInt StrToArrayInt(const std::string& aArrStr);
  [[nodiscard]] static std::vector<std::int64_t> StrToInt64Array(const std::string& aInt64Str);
  // Seconds of the local time read as UTC, minus 28800, as decimal text / for a given date-time.
  [[nodiscard]] static std::string Timestamp();
  [[nodiscard]] static std::int64_t GetTimestamp(TDateTime aDatetime);
  // Unix seconds shown in UTC+8.
  [[nodiscard]] static TDateTime GetDatetime(int aTimestamp);
  [[nodiscard]] static std::string AnsiToUnicode(const std::string& aAnsiStr);
  // The object text rewritten with plain UTF-8 strings (only '"' escaped); the input when it
  // does not parse as an object.
  [[nodiscard]] static std::string AnsiJSON(const std::string& aJSON);
  // Pretty print of AnsiJSON's result, one indent copy per nesting level; a text nested deeper
  // than kJsonMaxDepth (JsonDepth.h) comes back unchanged.
  [[nodiscard]] static std::string FormatJSON(const std::string& inputStr,
                                              const std::string& indent);
  // aValueType 1: the member's plain value (a string's contents, a number's text); otherwise its
  // JSON text. aDefValue when the member is missing or null, or on any error.
  // (A template so that a text argument never converts to a JSON value.)
  template <class J>
    requires std::is_same_v<J, nlohmann::ordered_json>
  [[nodiscard]] static std::string JSONValue(const J& aJSON, const std::string& aName,
                                             const std::string& aDefValue, int aValueType) {
    return MemberValue(aJSON, aName, aDefValue, aValueType);
  }
  [[nodiscard]] static std::string JSONValue(const std::string& aJSON, const std::string& aName,
                                             const std::string& aDefValue, int aValueType);
  [[nodiscard]] static std::string JSONValue(const std::string& aJSON, const std::string& aSect,
                                             const std::string& aName,
                                             const std::string& aDefValue, int aValueType);
  // JSON rows into aData (owned by the caller). The fields come from the first element's members:
  // "created" and "modified" (any case) date-time fields, the others 1000-character text fields.
  // Each element must be an object holding a member for each field; a date-time member holding
  // digits is read as seconds through GetDatetime, anything else leaves it null. An empty array
  // gives false with "无数据"; a failing definition false with "解析初始化失败," + reason; a failing
  // row keeps the rows before it, sets aErro = "初始化数据失败," + reason and still gives true.
  template <class J>
    requires std::is_same_v<J, nlohmann::ordered_json>
  [[nodiscard]] static bool JSONToData(const J& aArrJSON, IVqMemTable& aData, std::string& aErro) {
    return RowsToData(aArrJSON, aData, aErro);
  }
  // The member aDataName of an object as the array (false with the reason when it is none).
  template <class J>
    requires std::is_same_v<J, nlohmann::ordered_json>
  [[nodiscard]] static bool JSONToData(const J& aJSON, const std::string& aDataName,
                                       IVqMemTable& aData, std::string& aErro) {
    return MemberToData(aJSON, aDataName, aData, aErro);
  }
  // The same after parsing the (trimmed) text; a text that is not an object gives false, and any
  // other error false with the reason alone.
  [[nodiscard]] static bool JSONToData(const std::string& aJSON, const std::string& aDataName,
                                       IVqMemTable& aData, std::string& aErro);
  // The member aJSONName of the parsed object, then aDataName inside it.
  [[nodiscard]] static bool JSONToData(const std::string& aJSON, const std::string& aJSONName,
                                       const std::string& aDataName, IVqMemTable& aData,
                                       std::string& aErro);
  // Lines "name=value"; lines with an empty value are left out.
  [[nodiscard]] static std::string ListToJSON(const std::vector<std::string>& aList);
  // aJSON with member aJSONName = the object aJSONObject; aJSON unchanged on any failure.
  [[nodiscard]] static std::string JSONAddObject(const std::string& aJSON,
                                                 const std::string& aJSONName,
                                                 const std::string& aJSONObject);
  // Entries with a blank key are left out; "" for an empty dictionary.
  [[nodiscard]] static std::string Dict2JSON(const std::map<std::string, std::string>& aDict);
  // aCodeType 0: a class declaration, 1: a table script, other: "". "ERRO: " + reason on error.
  [[nodiscard]] static std::string JSON2Code(const std::string& aJSON, const std::string& aCodeName,
                                             const std::string& aCodeDesc, int aCodeType,
                                             const std::string& aBaseClass);

  // Object marshalling: {"type":<ClassName()>,"id":1,"fields":<Obj2JSON of the object>}. Only the
  // object itself is tagged; its nested records and arrays are plain members, since the property
  // tables name their classes. "id" numbers the tagged objects of a text, so it is always 1.
  // Doubles travel in Obj2JSON's number form, at most 15 significant digits.
  [[nodiscard]] static TJsonValue ObjectToJSON(const TVqObject& aObject);
  // The text of the "fields" member alone.
  [[nodiscard]] static std::string ObjectToJSONString(const TVqObject& aObject);
  // A new object of the class that "type" names (VqCreateObject), read from "fields" as
  // ReadVqObject reads, members named as Obj2JSON names them or exactly like their properties;
  // "id" is not read. nullptr with aErro set when the value is not an object, "type" names no
  // single registered class, "fields" is not an object or a member does not fit its property.
  template <class J>
    requires std::is_same_v<J, nlohmann::ordered_json>
  [[nodiscard]] static std::unique_ptr<TVqObject> JSONToObject(const J& aJSONValue, std::string& aErro) {
    return ObjectFromTree(aJSONValue, aErro);
  }
  // The same after parsing the text; a text that does not parse gives nullptr and the reason.
  [[nodiscard]] static std::unique_ptr<TVqObject> JSONToObject(const std::string& aJSONString,
                                                               std::string& aErro);

 private:
  [[nodiscard]] static bool RowsToData(const nlohmann::ordered_json& aArrJSON, IVqMemTable& aData,
                                       std::string& aErro);
  [[nodiscard]] static bool MemberToData(const nlohmann::ordered_json& aJSON,
                                         const std::string& aDataName, IVqMemTable& aData,
                                         std::string& aErro);
  [[nodiscard]] static std::string MemberValue(const nlohmann::ordered_json& aJSON,
                                               const std::string& aName,
                                               const std::string& aDefValue, int aValueType);
  [[nodiscard]] static std::string RepeatIndent(const std::string& aIndent, int aCount);
  [[nodiscard]] static std::unique_ptr<TVqObject> ObjectFromTree(const nlohmann::ordered_json& aJSON,
                                                                 std::string& aErro);
};

}  // namespace tessaly
