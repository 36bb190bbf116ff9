#pragma once
// Writes upgrade packages for the schema upgrader's tests: an SQLite file holding the table
// T_UPList with one row per script.
#include <string>
#include <vector>

namespace vqtest {

struct UpgradeRow {
  int order = 0;        // i_UpOrderNo
  std::string stamp;    // s_Finally_UpTime
  std::string type;     // s_UpType
  std::string object;   // s_UpObject
  std::string script;   // m_UpTxt
  std::string file = "up.sql";  // s_UpFileNM
};

// Creates (replacing) the file with T_UPList holding the rows in the given order of insertion.
// Throws std::runtime_error when SQLite refuses.
void WriteUpgradePackage(const std::string& path, const std::vector<UpgradeRow>& rows);

// Creates (replacing) an SQLite file by running plain SQL, for packages of another shape.
void WriteSqliteFile(const std::string& path, const std::string& sql);

}  // namespace vqtest
