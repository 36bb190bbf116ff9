#pragma once
// The SQLite back end of TDbConnection (upgrade packages), over the SQLite C API.
#include <memory>

#include "engine/DbConnection.h"

namespace tessaly {

// Opens the existing file named by "Database=" for reading and writing (read-only when the file
// is write-protected) and applies "LockingMode=". Throws EDbError when the file cannot be opened
// or is no database.
[[nodiscard]] std::unique_ptr<IDbSession> OpenSqliteSession(const TDbParams& aParams);

}  // namespace tessaly
