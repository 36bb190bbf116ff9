#include "SessionFunctions.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "Session.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

Session* SessionOf(sqlite3_context* ctx) { return static_cast<Session*>(sqlite3_user_data(ctx)); }

void ResultValue(sqlite3_context* ctx, const Value& v) {
  switch (v.type) {
    case Value::Type::Int: sqlite3_result_int64(ctx, v.i); break;
    case Value::Type::Real: sqlite3_result_double(ctx, v.d); break;
    case Value::Type::Text: sqlite3_result_text(ctx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT); break;
    case Value::Type::Blob: sqlite3_result_blob(ctx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT); break;
    case Value::Type::Null: sqlite3_result_null(ctx); break;
  }
}

// The scalar for `name` whose arguments equal `args`, else one that takes any arguments.
const Session::Scalar* FindScalar(const Session& s, const std::string& name, const std::string* args) {
  const Session::Scalar* any = nullptr;
  for (const auto& sc : s.Scalars()) {
    if (sc.name != name) continue;
    if (!sc.anyArgs && args != nullptr && sc.args == *args) return &sc;
    if (sc.anyArgs && any == nullptr) any = &sc;
  }
  return any;
}

std::string LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t secs = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&secs, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return buf;
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
  if (const auto* sc = FindScalar(*SessionOf(ctx), "getdate", nullptr)) return ResultValue(ctx, sc->value);
  const std::string now = LocalNow();
  sqlite3_result_text(ctx, now.c_str(), -1, SQLITE_TRANSIENT);
}

void ChangeTrackingVersion(sqlite3_context* ctx, int, sqlite3_value**) {
  if (const auto* sc = FindScalar(*SessionOf(ctx), "change_tracking_current_version", nullptr))
    return ResultValue(ctx, sc->value);
  sqlite3_result_null(ctx);
}

std::string ArgText(sqlite3_value* v) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return "NULL";
  return reinterpret_cast<const char*>(sqlite3_value_text(v));
}

void DboCall(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc < 1) return sqlite3_result_error(ctx, "vq_dbo_call needs a function name", -1);
  const std::string name = ArgText(argv[0]);
  std::string args;
  for (int i = 1; i < argc; ++i) args += (i > 1 ? "," : "") + ArgText(argv[i]);
  Session& s = *SessionOf(ctx);
  if (const auto* sc = FindScalar(s, platform::AsciiLower(name), &args)) return ResultValue(ctx, sc->value);
  const std::string msg = "Cannot find either column \"dbo\" or the user-defined function or aggregate \"dbo." +
                          name + "\", or the name is ambiguous.";
  s.SetPendingDiag({"42000", 4121, msg});
  sqlite3_result_error(ctx, msg.c_str(), -1);
}

// Characters without the trailing blanks, counted in UTF-16 units.
void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(platform::Utf16Length(text)));
}

}  // namespace

void RegisterFunctions(sqlite3* db, Session* session) {
  sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8, session, GetDate, nullptr, nullptr);
  sqlite3_create_function(db, "change_tracking_current_version", 0, SQLITE_UTF8, session, ChangeTrackingVersion,
                          nullptr, nullptr);
  sqlite3_create_function(db, "vq_dbo_call", -1, SQLITE_UTF8, session, DboCall, nullptr, nullptr);
  sqlite3_create_function(db, "len", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, session, Len, nullptr, nullptr);
}

}  // namespace vqodbc
