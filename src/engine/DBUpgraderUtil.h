#pragma once
// Text rules of the schema upgrader (the upgrade itself is TAppDM::DBUpgrader, AppDMUtil.h).
// Pure functions; any thread.
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// The package name of the common upgrade package, run before the product's own.
inline constexpr const char* kCommonUpgradePackage = "99999";

// The comparable number of an upgrade stamp: of the trimmed text, characters 5 to 10 followed
// by characters 12 to 15 (counted from 1, fewer when the text is shorter) read as a 32-bit
// signed decimal integer; 0 for an empty text or one that gives no such number.
[[nodiscard]] std::int32_t UpVerToInt(const std::string& aStamp);

// The batches of a script: a line holding GO alone (any case, blanks around it, perhaps a "--"
// comment after it; lines end at CR LF, LF or CR) separates two batches; "go" inside a line or a
// word is text. Batches holding only blanks are dropped.
[[nodiscard]] std::vector<std::string> SplitSqlBatches(const std::string& aScript);

// The object a module script (view, function, procedure, trigger) begins with: of its first 100
// characters, LFs dropped and CRs read as blanks, the part before the first blank, cut at the
// first "("; empty when that part holds no blank.
[[nodiscard]] std::string UpgradeObjectName(const std::string& aScript);

}  // namespace tessaly
