#pragma once
// The database module's parameter list for a database file on the test ODBC driver, the driver
// named explicitly, as the main connection of the engine tests holds it.
#include <string>

#include "engine/DbConnection.h"
#include "support/TestOdbc.h"

namespace vqtest {

[[nodiscard]] inline tessaly::TDbParams TestDriverParams(const std::string& aDatabase) {
  return {"DriverID=MSSQL", std::string("ODBCDriver=") + kTestOdbcDriver, "Server=127.0.0.1,1433",
          "User_Name=sa",   "Password=test",                              "Database=" + aDatabase};
}

}  // namespace vqtest
