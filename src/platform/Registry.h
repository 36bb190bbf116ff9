#pragma once
// The Windows registry of the emulated machine, kept in <machine root>/registry.db (SQLite).
// Roots HKCR, HKCU, HKLM, HKU, HKCC; key and value names compare without case and keep the case
// they were created with; values are REG_SZ or REG_DWORD. Results are Windows error codes
// (platform/WinError.h): kErrorSuccess, kErrorFileNotFound for a missing key or value,
// kErrorAccessDenied for a write open the machine refuses (the store cannot be written, or the
// user is no administrator and the key lies under HKLM), kErrorUnsupportedType for a value of
// the other type, kErrorRegistryIo when the store fails.
//
// Views: both our programs are 32-bit, so on a 64-bit machine their default view is the 32-bit
// one, in which HKLM\SOFTWARE\<x> is HKLM\SOFTWARE\Wow6432Node\<x> (a path already naming
// Wow6432Node stays as it is). The 64-bit view and every view on a 32-bit machine see the paths
// as given. A key path may have leading, trailing or doubled '\'.
//
// A fresh store is seeded with the Run keys of both views, the Explorer "Shell Folders" keys
// (platform/MachineRoot.h) and the Windows version values of machine.ini under
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion.
//
// Several threads and processes may use the store at once: every call is one transaction on its
// own connection (WAL, busy time-out). A RegKey is a plain value (root row and access); it names
// its key until someone deletes it, after which its calls fail with kErrorKeyDeleted.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr long kErrorKeyDeleted = 1018;

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };
// Default: the view of our 32-bit programs. Force64/Force32: KEY_WOW64_64KEY / KEY_WOW64_32KEY.
enum class RegView { Default, Force64, Force32 };
// Read: KEY_READ. Write: KEY_ALL_ACCESS.
enum class RegAccess { Read, Write };
enum class RegType { String, Dword };

class RegKey {
 public:
  RegKey() = default;

  // Opens an existing key.
  [[nodiscard]] static long Open(RegRoot root, std::string_view path, RegAccess access, RegView view,
                                 RegKey& out);
  // Opens a key with write access, creating it and its missing parents.
  [[nodiscard]] static long Create(RegRoot root, std::string_view path, RegView view, RegKey& out);
  // Deletes a key with all its subkeys and values. A root cannot be deleted (kErrorAccessDenied).
  [[nodiscard]] static long DeleteKey(RegRoot root, std::string_view path, RegView view);

  [[nodiscard]] bool IsOpen() const { return id_ != 0; }

  [[nodiscard]] long QueryType(std::string_view name, RegType& type) const;
  [[nodiscard]] long ReadString(std::string_view name, std::string& out) const;
  [[nodiscard]] long ReadDword(std::string_view name, std::uint32_t& out) const;
  [[nodiscard]] long WriteString(std::string_view name, std::string_view value) const;
  [[nodiscard]] long WriteDword(std::string_view name, std::uint32_t value) const;
  [[nodiscard]] long DeleteValue(std::string_view name) const;
  // Deletes the subkey `name` with everything below it.
  [[nodiscard]] long DeleteSubKey(std::string_view name) const;
  // Value names in creation order; subkey names in alphabetical order without case.
  [[nodiscard]] long ValueNames(std::vector<std::string>& out) const;
  [[nodiscard]] long SubKeyNames(std::vector<std::string>& out) const;

 private:
  std::string db_;
  std::int64_t id_ = 0;
  bool writable_ = false;
};

}  // namespace platform
