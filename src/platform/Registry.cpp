#include "platform/Registry.h"

#include "platform/MachineInfo.h"
#include "platform/RegistryStore.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"

namespace platform {
namespace {

using regstore::Connection;

// The key path as the store holds it, after the 32-bit view's redirection.
std::vector<std::string> StorePath(RegRoot root, std::string_view path, RegView view) {
  std::vector<std::string> parts = regstore::SplitKeyPath(path);
  const bool redirected = root == RegRoot::LocalMachine && view != RegView::Force64 && IsWin64Machine();
  if (redirected && parts.size() >= 2 && SameText(parts[0], "SOFTWARE") && !SameText(parts[1], "Wow6432Node"))
    parts.insert(parts.begin() + 1, "Wow6432Node");
  return parts;
}

long WriteAllowed(const Connection& c, RegRoot root) {
  if (!c.writable()) return kErrorAccessDenied;
  if (root == RegRoot::LocalMachine && !IsAdministrator()) return kErrorAccessDenied;
  return kErrorSuccess;
}

long OpenStore(Connection& c, std::string& dbPath) {
  dbPath = regstore::CurrentStorePath();
  return c.Open(dbPath);
}

long OpenKey(RegRoot root, std::string_view path, bool write, bool create, RegView view, std::string& db,
             std::int64_t& id) {
  Connection c;
  long rc = OpenStore(c, db);
  if (rc == kErrorSuccess && write) rc = WriteAllowed(c, root);
  if (rc == kErrorSuccess) rc = c.Begin(create);
  if (rc == kErrorSuccess) rc = regstore::Resolve(c, regstore::RootId(root), StorePath(root, path, view), create, id);
  if (rc == kErrorSuccess) rc = c.Commit();
  return rc;
}

}  // namespace

long RegKey::Open(RegRoot root, std::string_view path, RegAccess access, RegView view, RegKey& out) {
  out = RegKey();
  const bool write = access == RegAccess::Write;
  const long rc = OpenKey(root, path, write, false, view, out.db_, out.id_);
  if (rc != kErrorSuccess) {
    out = RegKey();
    return rc;
  }
  out.writable_ = write;
  return kErrorSuccess;
}

long RegKey::Create(RegRoot root, std::string_view path, RegView view, RegKey& out) {
  out = RegKey();
  const long rc = OpenKey(root, path, true, true, view, out.db_, out.id_);
  if (rc != kErrorSuccess) {
    out = RegKey();
    return rc;
  }
  out.writable_ = true;
  return kErrorSuccess;
}

long RegKey::DeleteKey(RegRoot root, std::string_view path, RegView view) {
  const std::vector<std::string> parts = StorePath(root, path, view);
  if (parts.empty()) return kErrorAccessDenied;
  Connection c;
  std::string db;
  std::int64_t id = 0;
  long rc = OpenStore(c, db);
  if (rc == kErrorSuccess) rc = WriteAllowed(c, root);
  if (rc == kErrorSuccess) rc = c.Begin(true);
  if (rc == kErrorSuccess) rc = regstore::Resolve(c, regstore::RootId(root), parts, false, id);
  if (rc == kErrorSuccess) rc = regstore::RemoveKey(c, id);
  if (rc == kErrorSuccess) rc = c.Commit();
  return rc;
}

namespace {

// Runs `op` in one transaction on the key `id` of store `db`, after checking the key still exists.
template <class Op>
long OnKey(const std::string& db, std::int64_t id, bool write, Op op) {
  if (id == 0) return kErrorInvalidHandle;
  Connection c;
  long rc = c.Open(db);
  if (rc == kErrorSuccess && write && !c.writable()) rc = kErrorAccessDenied;
  if (rc == kErrorSuccess) rc = c.Begin(write);
  if (rc == kErrorSuccess) rc = regstore::KeyExists(c, id);
  if (rc == kErrorSuccess) rc = op(c);
  if (rc == kErrorSuccess) rc = c.Commit();
  return rc;
}

}  // namespace

long RegKey::QueryType(std::string_view name, RegType& type) const {
  return OnKey(db_, id_, false, [&](Connection& c) {
    int t = 0;
    std::string text;
    std::int64_t number = 0;
    const long rc = regstore::GetValue(c, id_, name, t, text, number);
    if (rc == kErrorSuccess) type = t == regstore::kTypeDword ? RegType::Dword : RegType::String;
    return rc;
  });
}

long RegKey::ReadString(std::string_view name, std::string& out) const {
  return OnKey(db_, id_, false, [&](Connection& c) {
    int t = 0;
    std::string text;
    std::int64_t number = 0;
    long rc = regstore::GetValue(c, id_, name, t, text, number);
    if (rc == kErrorSuccess && t != regstore::kTypeString) rc = kErrorUnsupportedType;
    if (rc == kErrorSuccess) out = text;
    return rc;
  });
}

long RegKey::ReadDword(std::string_view name, std::uint32_t& out) const {
  return OnKey(db_, id_, false, [&](Connection& c) {
    int t = 0;
    std::string text;
    std::int64_t number = 0;
    long rc = regstore::GetValue(c, id_, name, t, text, number);
    if (rc == kErrorSuccess && t != regstore::kTypeDword) rc = kErrorUnsupportedType;
    if (rc == kErrorSuccess) out = static_cast<std::uint32_t>(number);
    return rc;
  });
}

long RegKey::WriteString(std::string_view name, std::string_view value) const {
  if (!writable_ && id_ != 0) return kErrorAccessDenied;
  return OnKey(db_, id_, true, [&](Connection& c) {
    return regstore::PutValue(c, id_, name, regstore::kTypeString, value, 0);
  });
}

long RegKey::WriteDword(std::string_view name, std::uint32_t value) const {
  if (!writable_ && id_ != 0) return kErrorAccessDenied;
  return OnKey(db_, id_, true, [&](Connection& c) {
    return regstore::PutValue(c, id_, name, regstore::kTypeDword, {}, value);
  });
}

long RegKey::DeleteValue(std::string_view name) const {
  if (!writable_ && id_ != 0) return kErrorAccessDenied;
  return OnKey(db_, id_, true, [&](Connection& c) { return regstore::RemoveValue(c, id_, name); });
}

long RegKey::DeleteSubKey(std::string_view name) const {
  if (!writable_ && id_ != 0) return kErrorAccessDenied;
  const std::vector<std::string> parts = regstore::SplitKeyPath(name);
  if (parts.empty()) return kErrorInvalidParameter;
  return OnKey(db_, id_, true, [&](Connection& c) {
    std::int64_t sub = 0;
    long rc = regstore::Resolve(c, id_, parts, false, sub);
    if (rc == kErrorSuccess) rc = regstore::RemoveKey(c, sub);
    return rc;
  });
}

long RegKey::ValueNames(std::vector<std::string>& out) const {
  return OnKey(db_, id_, false, [&](Connection& c) { return regstore::ListValues(c, id_, out); });
}

long RegKey::SubKeyNames(std::vector<std::string>& out) const {
  return OnKey(db_, id_, false, [&](Connection& c) { return regstore::ListSubKeys(c, id_, out); });
}

}  // namespace platform
