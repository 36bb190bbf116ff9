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

// How a driver reads braced connection-string values. Standard ODBC undoes a doubled "}";
// FreeTDS ends a braced value at the first "}" followed by ";" and keeps doubled braces as two.
enum class TOdbcDialect { Standard, FreeTds };

// FreeTds when the driver's library (the "Driver=" file of odbcinst.ini) or its name is FreeTDS's.
[[nodiscard]] TOdbcDialect DialectOf(const std::string& aDriverName, const std::string& aLibrary);

// A value as it goes into a connection string. A value holding any character the ODBC syntax
// gives a meaning ([]{}(),;?*=!@) or blanks at its ends is put in braces (each "}" doubled in
// the standard dialect), so that a password or a name cannot end the value or add attributes.
// Other values go bare: some drivers (SQLite's among them) take braces literally. In the FreeTDS
// dialect a value holding "};" cannot arrive unchanged: EDbError names aKey.
[[nodiscard]] std::string OdbcBraced(const std::string& aValue, TOdbcDialect aDialect = TOdbcDialect::Standard,
                                     const std::string& aKey = {});

// "DRIVER=d;SERVER=s;UID=u;PWD=p;DATABASE=db;" from the parameter list, values as OdbcBraced;
// FreeTDS also gets its protocol version, so that it never falls back to probing old versions.
[[nodiscard]] std::string OdbcConnectionString(const std::string& aDriver, const TDbParams& aParams,
                                               TOdbcDialect aDialect = TOdbcDialect::Standard);

}  // namespace tessaly
