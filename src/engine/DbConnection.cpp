#include "engine/DbConnection.h"

#include "engine/OdbcConnection.h"
#include "engine/SqliteConnection.h"
#include "platform/TextCodec.h"

namespace tessaly {

std::string TDbParams::Value(const std::string& aName) const {
  for (const std::string& line : FLines) {
    const auto eq = line.find('=');
    if (eq != std::string::npos && platform::SameText(line.substr(0, eq), aName)) return line.substr(eq + 1);
  }
  return {};
}

TDbConnection::TDbConnection() : FParams{"DriverID=SQLite"} {}

TDbConnection::~TDbConnection() {
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; the session is gone either way.
  }
}

TDbParams TDbConnection::Params() const {
  std::lock_guard lock(FParamsLock);
  return FParams;
}

void TDbConnection::SetParams(TDbParams aParams) {
  std::lock_guard lock(FParamsLock);
  FParams = std::move(aParams);
}

void TDbConnection::Open() {
  if (FSession) return;
  const TDbParams params = Params();
  const std::string driver = params.Value("DriverID");
  if (platform::SameText(driver, "MSSQL")) {
    FSession = OpenOdbcSession(params);
  } else if (platform::SameText(driver, "SQLite")) {
    FSession = OpenSqliteSession(params);
  } else {
    throw EDbError("unknown DriverID \"" + driver + "\"");
  }
}

void TDbConnection::Close() {
  if (!FSession) return;
  std::unique_ptr<IDbSession> session = std::move(FSession);
  session->Close();
}

IDbSession& TDbConnection::Session() {
  if (!FSession) throw EDbError("the connection is not open");
  return *FSession;
}

template <class Op>
void TDbConnection::Run(Op op) {
  try {
    op(Session());
  } catch (const EDbError& e) {
    FLastErrorState = e.SqlState();
    if (e.LinkLost()) FSession.reset();
    throw;
  }
}

void TDbConnection::StartTransaction() {
  Run([](IDbSession& s) { s.StartTransaction(); });
}

void TDbConnection::Commit() {
  Run([](IDbSession& s) { s.Commit(); });
}

void TDbConnection::Rollback() {
  Run([](IDbSession& s) { s.Rollback(); });
}

void TDbConnection::ExecBatch(const std::string& aSql) {
  FLastErrorState.clear();
  Run([&](IDbSession& s) { s.ExecBatch(aSql); });
}

void TDbConnection::Query(const std::string& aSql, TDbResult& aResult) {
  FLastErrorState.clear();
  Run([&](IDbSession& s) { s.Query(aSql, aResult); });
}

}  // namespace tessaly
