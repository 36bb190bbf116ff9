#pragma once
// Connection strings and driver choice of the ODBC back end, kept apart from the calls so that
// both rules can be checked without a driver.
#include <string>
#include <vector>

#include "engine/DbConnection.h"

namespace tessaly {

// The drivers tried, in order, when a connection names none.
[[nodiscard]] const std::vector<std::string>& SqlServerDriverNames();

// The first name of SqlServerDriverNames() that aInstalled holds (compared without case), spelt
// as installed; empty when none is installed.
[[nodiscard]] std::string ChooseSqlServerDriver(const std::vector<std::string>& aInstalled);

// A value as it goes into a connection string. A value holding any character the ODBC syntax
// gives a meaning ([]{}(),;?*=!@) or blanks at its ends is put in braces with each "}" doubled,
// so that a password or a name cannot end the value or add attributes. Other values go bare:
// some drivers (SQLite's among them) take braces literally.
[[nodiscard]] std::string OdbcBraced(const std::string& aValue);

// "DRIVER=d;SERVER=s;UID=u;PWD=p;DATABASE=db;" from the parameter list, values as OdbcBraced.
[[nodiscard]] std::string OdbcConnectionString(const std::string& aDriver, const TDbParams& aParams);

}  // namespace tessaly
