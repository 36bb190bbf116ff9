#pragma once
// The ODBC back end of TDbConnection (the back-office SQL Server), over the driver manager's
// wide calls. Text crosses as UTF-16; the process must have set a UTF-8 locale
// (setlocale(LC_ALL, "")) before the first connection, for drivers without wide entry points.
#include <memory>

#include "engine/DbConnection.h"

namespace tessaly {

// Connects with the driver named by "ODBCDriver=", or else the first installed one of the
// SQL Server drivers (OdbcConnString.h). Throws EDbError with the driver's message.
[[nodiscard]] std::unique_ptr<IDbSession> OpenOdbcSession(const TDbParams& aParams);

}  // namespace tessaly
