#include "OdbcRig.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <atomic>
#include <chrono>
#include <string_view>

#include "HeapCounter.h"

namespace tessaly::bench {
namespace {

using TClock = std::chrono::steady_clock;

std::atomic<std::int64_t> gCheckpointNanos{0};
std::atomic<std::int64_t> gCheckpointWrites{0};
std::atomic<std::int64_t> gCommitNanos{0};
std::atomic<std::int64_t> gCommits{0};
std::atomic<std::int64_t> gDriverNanos{0};

// How many wrapped calls this thread is inside.
thread_local int tCallDepth = 0;

// Enters a driver call, on the heap as the rig; the outermost one on the thread adds its time to
// `total` unless it is null.
class TDriverCall {
 public:
  explicit TDriverCall(std::atomic<std::int64_t>* total)
      : FTotal(tCallDepth++ == 0 ? total : nullptr), FStart(TClock::now()) {}
  ~TDriverCall() {
    --tCallDepth;
    if (FTotal != nullptr)
      *FTotal += std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now() - FStart).count();
  }
  TDriverCall(const TDriverCall&) = delete;
  TDriverCall& operator=(const TDriverCall&) = delete;

 private:
  TRigScope FRig;
  std::atomic<std::int64_t>* FTotal;
  TClock::time_point FStart;
};

// Set when this thread has sent a checkpoint upsert whose commit is still to come.
thread_local bool tCheckpointOpen = false;
thread_local TClock::time_point tCheckpointStart;

// The statement that writes a checkpoint: its UTF-16 text holds this ASCII run.
bool IsCheckpointWrite(const SQLWCHAR* sql, SQLINTEGER length) {
  constexpr std::string_view kMark = "update spf_t_trans_record set last_change=";
  std::size_t n = 0;
  if (length == SQL_NTS) {
    while (sql[n] != 0) ++n;
  } else {
    n = static_cast<std::size_t>(length);
  }
  for (std::size_t i = 0; i + kMark.size() <= n; ++i) {
    std::size_t k = 0;
    while (k < kMark.size() && sql[i + k] == static_cast<SQLWCHAR>(kMark[k])) ++k;
    if (k == kMark.size()) return true;
  }
  return false;
}

template <class F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

TCheckpointTime CheckpointTime() {
  return {static_cast<double>(gCheckpointNanos.load()) * 1e-9, gCheckpointWrites.load()};
}

TCommitTime CommitTime() { return {static_cast<double>(gCommitNanos.load()) * 1e-9, gCommits.load()}; }

double DriverCallSeconds() { return static_cast<double>(gDriverNanos.load()) * 1e-9; }

}  // namespace tessaly::bench

using tessaly::bench::Real;
using tessaly::bench::TDriverCall;

// Each wrapper runs the driver manager's function of the same name as a timed driver call.
#define VQ_RIG_CALL(name, ...)                           \
  static const auto real = Real<decltype(&name)>(#name); \
  const TDriverCall call(&tessaly::bench::gDriverNanos); \
  return real(__VA_ARGS__)

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  VQ_RIG_CALL(SQLAllocHandle, type, input, output);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { VQ_RIG_CALL(SQLFreeHandle, type, handle); }

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                    SQLSMALLINT outMax, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  VQ_RIG_CALL(SQLDriverConnectW, dbc, window, in, inLength, out, outMax, outLength, completion);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC dbc) { VQ_RIG_CALL(SQLDisconnect, dbc); }

SQLRETURN SQL_API SQLFetch(SQLHSTMT stmt) { VQ_RIG_CALL(SQLFetch, stmt); }

SQLRETURN SQL_API SQLGetData(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value, SQLLEN max,
                             SQLLEN* length) {
  VQ_RIG_CALL(SQLGetData, stmt, column, type, value, max, length);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT stmt) { VQ_RIG_CALL(SQLMoreResults, stmt); }

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT stmt, SQLSMALLINT* columns) { VQ_RIG_CALL(SQLNumResultCols, stmt, columns); }

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT stmt, SQLUSMALLINT column, SQLWCHAR* name, SQLSMALLINT nameMax,
                                  SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                  SQLSMALLINT* nullable) {
  VQ_RIG_CALL(SQLDescribeColW, stmt, column, name, nameMax, nameLength, type, size, digits, nullable);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  VQ_RIG_CALL(SQLSetStmtAttrW, stmt, attribute, value, length);
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  VQ_RIG_CALL(SQLSetConnectAttrW, dbc, attribute, value, length);
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT stmt, SQLWCHAR* sql, SQLINTEGER length) {
  if (tessaly::bench::IsCheckpointWrite(sql, length)) {
    tessaly::bench::tCheckpointOpen = true;
    tessaly::bench::tCheckpointStart = tessaly::bench::TClock::now();
  }
  VQ_RIG_CALL(SQLExecDirectW, stmt, sql, length);
}

// A commit is timed apart from the other calls; it ends a checkpoint write that this thread began.
SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  static const auto real = Real<decltype(&SQLEndTran)>("SQLEndTran");
  SQLRETURN rc = 0;
  const bool commit = completion == SQL_COMMIT;
  {
    const TDriverCall call(commit ? &tessaly::bench::gCommitNanos : &tessaly::bench::gDriverNanos);
    rc = real(type, handle, completion);
  }
  if (commit) ++tessaly::bench::gCommits;
  if (tessaly::bench::tCheckpointOpen) {
    tessaly::bench::tCheckpointOpen = false;
    const auto spent = tessaly::bench::TClock::now() - tessaly::bench::tCheckpointStart;
    tessaly::bench::gCheckpointNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count();
    ++tessaly::bench::gCheckpointWrites;
  }
  return rc;
}

}  // extern "C"
