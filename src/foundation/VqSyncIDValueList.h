#pragma once
// A locked list of id and value pairs in insertion order (duplicates allowed, ids compared
// without regard to ASCII case), saved to and loaded from a text file of "id=value" lines: the
// member-points cache. Every operation takes the list's lock for its whole run, file access of
// Load and Save included; any thread. Errors never leave an operation.
#include <string>
#include <vector>

#include "foundation/VqSyncUtil.h"

namespace tessaly {

class TVqSyncIDValueList final : public TVqSync {
 public:
  TVqSyncIDValueList() = default;
  ~TVqSyncIDValueList() override = default;

  [[nodiscard]] int Count() const;
  // Empty for an index out of range.
  [[nodiscard]] std::string GetId(int aIndex) const;
  [[nodiscard]] std::string GetValue(int aIndex) const;
  // The first pair whose id equals aId without regard to case: its index (-1 for none) or its
  // value (empty for none).
  [[nodiscard]] int GetId(const std::string& aId) const;
  [[nodiscard]] std::string GetValue(const std::string& aId) const;

  // Appends without looking for an equal id.
  void Add(const std::string& aId, const std::string& aValue);
  // Replaces the value of the first equal id; nothing when there is none.
  void Update(const std::string& aId, const std::string& aValue);
  // Removes the pair at aIndex; nothing for an index out of range.
  void Del(int aIndex);
  void Clear();

  // Replaces all pairs with the lines of the file (UTF-8 or UTF-16 with a byte-order mark, else
  // code page 936). A missing or unreadable file leaves the pairs as they are.
  void Load(const std::string& aFile);
  // Writes one line per id (its last non-empty value, at the place of its first line) in code
  // page 936, CR LF after each. Nothing is written when no line remains. The file is replaced
  // through a temporary file beside it, so a failed write keeps the old content.
  void Save(const std::string& aFile) const;

 private:
  [[nodiscard]] int IndexOf(const std::string& aId) const;

  // Parallel arrays: FID[i] belongs with FValue[i]. Both guarded by FLocker.
  std::vector<std::string> FID;
  std::vector<std::string> FValue;
};

}  // namespace tessaly
