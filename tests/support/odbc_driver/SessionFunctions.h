#pragma once
// SQL functions a session adds to its SQLite connection: getdate(), len(x),
// CHANGE_TRACKING_CURRENT_VERSION() and vq_dbo_call(name, args...), the stand-in for dbo.name(args).
// Values come from the session's scalars (vq_test_scalar, read at the start of each batch).
struct sqlite3;

namespace vqodbc {

class Session;

// `session` must outlive the connection `db`.
void RegisterFunctions(sqlite3* db, Session* session);

}  // namespace vqodbc
