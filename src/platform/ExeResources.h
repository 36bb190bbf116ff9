#pragma once
// Named resources carried inside an executable file: the blobs appended to the file, followed
// by a directory of (name, offset, size, CRC32) and a fixed-size footer holding the directory's
// place and CRC32 and a magic. Names compare without case (ASCII). The running program reads its
// own resources through a descriptor opened when the program starts, so reading goes on after
// the file was deleted or replaced, and several threads may read at once (positioned reads).
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class ResourceFile {
 public:
  ~ResourceFile();
  ResourceFile(const ResourceFile&) = delete;
  ResourceFile& operator=(const ResourceFile&) = delete;

  // Opens the executable at `path` (host or Windows path) and reads its directory. A file
  // without resources opens with none; a damaged trailer fails with the reason in `error`.
  [[nodiscard]] static std::shared_ptr<const ResourceFile> Open(const std::string& path, std::string& error);
  // The running program's own resources (nullptr, with `error`, when its trailer is damaged).
  [[nodiscard]] static std::shared_ptr<const ResourceFile> Self(std::string& error);

  [[nodiscard]] bool Has(const std::string& name) const;
  // The bytes of resource `name`; false with the reason in `error` when it is missing, cannot
  // be read or fails its CRC32.
  [[nodiscard]] bool Read(const std::string& name, std::string& bytes, std::string& error) const;
  // Names as they were packed, in directory order.
  [[nodiscard]] std::vector<std::string> Names() const;

 private:
  struct Entry {
    std::string name;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
  };
  // Rewrites the file with the original bytes before payloadStart_.
  friend bool AppendResources(const std::string& path,
                              const std::vector<std::pair<std::string, std::string>>& blobs, std::string& error);
  ResourceFile() = default;
  [[nodiscard]] bool Load(std::string& error);
  [[nodiscard]] const Entry* Find(const std::string& name) const;

  int fd_ = -1;
  bool ownsFd_ = true;
  std::uint64_t payloadStart_ = 0;  // where the original file ends
  std::vector<Entry> entries_;
};

// The one seam for in-process tests: ResourceFile::Self() reads `path` instead (empty: the
// program's own file again).
void SetSelfResourcesForTests(const std::string& path);

// Adds named blobs to the executable at `path`; a blob whose name is already there replaces it,
// other resources stay. The file is rewritten through a temporary file and keeps its permission
// bits. False with the reason in `error`.
[[nodiscard]] bool AppendResources(const std::string& path,
                                   const std::vector<std::pair<std::string, std::string>>& blobs, std::string& error);

}  // namespace platform
