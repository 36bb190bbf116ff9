#include "engine/OdbcConnString.h"

#include "platform/TextCodec.h"

namespace tessaly {

const std::vector<std::string>& SqlServerDriverNames() {
  static const std::vector<std::string> names = {
      "SQL SERVER NATIVE CLIENT 11.0", "ODBC DRIVER 11 FOR SQL SERVER", "SQL SERVER NATIVE CLIENT 10.0",
      "SQL NATIVE CLIENT",             "SQL SERVER",                    "ODBC Driver 18 for SQL Server",
      "ODBC Driver 17 for SQL Server", "FreeTDS",
  };
  return names;
}

std::string ChooseSqlServerDriver(const std::vector<std::string>& aInstalled) {
  for (const std::string& wanted : SqlServerDriverNames()) {
    for (const std::string& installed : aInstalled) {
      if (platform::SameText(wanted, installed)) return installed;
    }
  }
  return {};
}

TOdbcDialect DialectOf(const std::string& aDriverName, const std::string& aLibrary) {
  const std::string lib = platform::AsciiLower(aLibrary.substr(aLibrary.rfind('/') + 1));
  const bool freeTds = lib.find("tdsodbc") != std::string::npos ||
                       platform::AsciiLower(aDriverName).find("freetds") != std::string::npos;
  return freeTds ? TOdbcDialect::FreeTds : TOdbcDialect::Standard;
}

std::string OdbcBraced(const std::string& aValue, TOdbcDialect aDialect, const std::string& aKey) {
  const bool plain = aValue.find_first_of("[]{}(),;?*=!@") == std::string::npos &&
                     (aValue.empty() || (aValue.front() != ' ' && aValue.back() != ' '));
  if (plain) return aValue;
  if (aDialect == TOdbcDialect::FreeTds) {
    if (aValue.find("};") != std::string::npos)
      throw EDbError("the FreeTDS driver cannot take a " + aKey + " value holding \"};\"");
    return "{" + aValue + "}";
  }
  std::string out = "{";
  for (char c : aValue) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string OdbcConnectionString(const std::string& aDriver, const TDbParams& aParams, TOdbcDialect aDialect) {
  auto value = [&](const char* key, const char* name) { return OdbcBraced(aParams.Value(name), aDialect, key); };
  std::string s = "DRIVER=" + OdbcBraced(aDriver, aDialect, "DRIVER") + ";SERVER=" + value("SERVER", "Server") +
                  ";UID=" + value("UID", "User_Name") + ";PWD=" + value("PWD", "Password") +
                  ";DATABASE=" + value("DATABASE", "Database") + ";";
  if (aDialect == TOdbcDialect::FreeTds) s += "TDS_Version=7.4;";
  return s;
}

}  // namespace tessaly
