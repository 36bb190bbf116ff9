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

std::string OdbcBraced(const std::string& aValue) {
  const bool plain = aValue.find_first_of("[]{}(),;?*=!@") == std::string::npos &&
                     (aValue.empty() || (aValue.front() != ' ' && aValue.back() != ' '));
  if (plain) return aValue;
  std::string out = "{";
  for (char c : aValue) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string OdbcConnectionString(const std::string& aDriver, const TDbParams& aParams) {
  return "DRIVER=" + OdbcBraced(aDriver) + ";SERVER=" + OdbcBraced(aParams.Value("Server")) +
         ";UID=" + OdbcBraced(aParams.Value("User_Name")) + ";PWD=" + OdbcBraced(aParams.Value("Password")) +
         ";DATABASE=" + OdbcBraced(aParams.Value("Database")) + ";";
}

}  // namespace tessaly
