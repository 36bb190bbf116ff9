// Pretty printing and the source generators of TJSONHelper.
#include <nlohmann/json.hpp>

#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonDepth.h"
#include "foundation/JsonTree.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

constexpr char kCrLf[] = "\r\n";

enum class CodeType { Text, Boolean, Integer, Float, DateTime };

struct Member {
  std::string name;
  std::string json;  // the member as "name":value
  CodeType type = CodeType::Text;
};

std::string UpperFirst(std::string s) {
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 32);
  return s;
}

CodeType TypeOf(const std::string& plain) {
  const std::string v = TrimControls(plain);
  TDateTime dt = 0;
  if (v.empty()) return CodeType::Text;
  if (platform::SameText(v, "true") || platform::SameText(v, "false")) return CodeType::Boolean;
  if (TJSONHelper::IsInt(v)) return CodeType::Integer;
  if (TJSONHelper::IsFloat(v)) return CodeType::Float;
  if (TryStrToDateTime(v, dt)) return CodeType::DateTime;
  return CodeType::Text;
}

const char* ClassTypeWord(CodeType t) {
  switch (t) {
    case CodeType::Boolean: return "Boolean";
    case CodeType::Integer: return "Integer";
    case CodeType::Float: return "Double";
    case CodeType::DateTime: return "TDatetime";
    default: return "String";
  }
}

const char* ColumnType(CodeType t) {
  switch (t) {
    case CodeType::Boolean:
    case CodeType::Integer: return "int";
    case CodeType::Float: return "numeric(18, 4)";
    case CodeType::DateTime: return "datetime";
    default: return "varchar(20)";
  }
}

std::string JSONToClassCode(const std::vector<Member>& members, const std::string& aCodeName,
                            const std::string& aCodeDesc, const std::string& aBaseClass) {
  std::vector<std::string> lines;
  if (!aCodeDesc.empty()) lines.push_back("  //" + aCodeDesc);
  lines.push_back("  T" + UpperFirst(aCodeName) + " = class(" + aBaseClass + ")");
  lines.push_back("  private");
  for (const auto& m : members)
    lines.push_back("    F" + UpperFirst(m.name) + ": " + ClassTypeWord(m.type) + "; //" + m.json);
  lines.push_back("  published");
  for (const auto& m : members) {
    const std::string field = "F" + UpperFirst(m.name);
    lines.push_back("    property " + m.name + ": " + ClassTypeWord(m.type) + " read " + field +
                    " write " + field + ";");
  }
  lines.push_back("  end;");
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? kCrLf : "") + lines[i];
  return out;
}

std::string JSONToTableSql(const std::vector<Member>& members, const std::string& aCodeName,
                           const std::string& aCodeDesc) {
  std::string out;
  auto line = [&out](const std::string& s) { out += s + kCrLf; };
  if (!aCodeDesc.empty()) line("/*" + aCodeDesc + "*/");
  line("-- drop table " + aCodeName);
  line("-- select * from " + aCodeName);
  line("if not exists(select 1 from sysobjects where name='" + aCodeName + "')");
  line("CREATE TABLE " + aCodeName + "(");
  for (std::size_t i = 0; i < members.size(); ++i)
    line("\t" + members[i].name + " " + ColumnType(members[i].type) + (i == 0 ? " NOT NULL" : "") +
         ", --" + members[i].json);
  line(" CONSTRAINT PK_" + aCodeName + " PRIMARY KEY CLUSTERED ");
  line("(");
  line("\t" + members.front().name);
  line(")");
  line(")");
  return out;
}

}  // namespace

std::string TJSONHelper::RepeatIndent(const std::string& aIndent, int aCount) {
  std::string out;
  for (int i = 0; i < aCount; ++i) out += aIndent;
  return out;
}

std::string TJSONHelper::FormatJSON(const std::string& inputStr, const std::string& indent) {
  // Each line repeats the indent once per level: deep nesting would square the text's size.
  if (!JsonDepthWithinLimit(inputStr)) return inputStr;
  std::string text;
  const std::string plain = AnsiJSON(inputStr);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] == '\r' && i + 1 < plain.size() && plain[i + 1] == '\n') {
      ++i;
      continue;
    }
    if (plain[i] != '\t') text += plain[i];
  }
  const std::size_t start = text.find('{');
  if (start == std::string::npos) return inputStr;
  std::string out = text.substr(0, start);
  int level = 0;
  bool inString = false;
  for (std::size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      out += c;
      if (c == '\\' && i + 1 < text.size()) {
        out += text[++i];
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        inString = true;
        out += c;
        break;
      case '{':
      case '[':
        out += c;
        out += kCrLf + RepeatIndent(indent, ++level);
        break;
      case '}':
      case ']':
        level = level > 0 ? level - 1 : 0;
        out += kCrLf + RepeatIndent(indent, level) + c;
        break;
      case ',':
        out += c;
        out += kCrLf + RepeatIndent(indent, level);
        break;
      case ':':
        out += ": ";
        break;
      case ' ':
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string TJSONHelper::JSON2Code(const std::string& aJSON, const std::string& aCodeName,
                                   const std::string& aCodeDesc, int aCodeType,
                                   const std::string& aBaseClass) {
  try {
    const std::string text = TrimControls(aJSON);
    RequireJsonDepthWithinLimit(text);
    const auto node = nlohmann::ordered_json::parse(text);
    if (!node.is_object()) throw std::runtime_error("not a JSON object");
    std::vector<Member> members;
    for (const auto& [key, value] : node.items()) {
      std::string plain = JsonPlainText(value);
      if (plain.empty()) plain = " ";
      members.push_back({key, JsonQuote(key) + ":" + JsonTreeOf(value).ToJSON(), TypeOf(plain)});
    }
    if (members.empty()) return "";
    if (aCodeType == 0) return JSONToClassCode(members, aCodeName, aCodeDesc, aBaseClass);
    if (aCodeType == 1) return JSONToTableSql(members, aCodeName, aCodeDesc);
    return "";
  } catch (const std::exception& e) {
    return std::string("ERRO: ") + e.what();
  }
}

}  // namespace tessaly
