#include "platform/ExeResources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

constexpr char kMagic[8] = {'V', 'Q', 'R', 'S', 'R', 'C', '0', '1'};
// dirOffset u64, dirSize u32, count u32, dirCrc u32, reserved u32, magic 8 bytes.
constexpr std::size_t kFooterSize = 32;
constexpr std::uint32_t kMaxDirectory = 16u << 20;

// Opened when the program starts, before anyone can delete or replace its file.
const int g_selfFd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);

std::mutex g_selfLock;
std::string g_selfOverride;                    // guarded by g_selfLock
std::shared_ptr<const ResourceFile> g_self;     // guarded by g_selfLock

std::uint32_t Crc(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), n);
    bytes.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

template <typename T>
void Put(std::string& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
}

template <typename T>
bool Get(std::string_view& in, T& value) {
  if (in.size() < sizeof(T)) return false;
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  value = static_cast<T>(v);
  in.remove_prefix(sizeof(T));
  return true;
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::string& out) {
  out.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ResourceFile::~ResourceFile() {
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
}

std::shared_ptr<const ResourceFile> ResourceFile::Open(const std::string& path, std::string& error) {
  std::shared_ptr<ResourceFile> file(new ResourceFile());
  file->fd_ = OpenCloexec(HostPath(path), O_RDONLY);
  if (file->fd_ < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  if (!file->Load(error)) return nullptr;
  return file;
}

std::shared_ptr<const ResourceFile> ResourceFile::Self(std::string& error) {
  std::lock_guard<std::mutex> hold(g_selfLock);
  if (!g_selfOverride.empty()) return Open(g_selfOverride, error);
  if (g_self) return g_self;
  if (g_selfFd < 0) {
    error = "the program file could not be opened at start";
    return nullptr;
  }
  std::shared_ptr<ResourceFile> file(new ResourceFile());
  file->fd_ = g_selfFd;
  file->ownsFd_ = false;
  if (!file->Load(error)) return nullptr;
  g_self = file;
  return g_self;
}

void SetSelfResourcesForTests(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_selfLock);
  g_selfOverride = path;
}

bool ResourceFile::Load(std::string& error) {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  payloadStart_ = fileSize;
  std::string footer;
  if (fileSize < kFooterSize || !ReadAt(fd_, fileSize - kFooterSize, kFooterSize, footer) ||
      std::memcmp(footer.data() + kFooterSize - sizeof kMagic, kMagic, sizeof kMagic) != 0)
    return true;  // a plain executable: no resources
  std::string_view in(footer);
  std::uint64_t dirOffset = 0;
  std::uint32_t dirSize = 0;
  std::uint32_t count = 0;
  std::uint32_t dirCrc = 0;
  (void)(Get(in, dirOffset) && Get(in, dirSize) && Get(in, count) && Get(in, dirCrc));
  std::string dir;
  if (dirSize > kMaxDirectory || dirOffset + dirSize != fileSize - kFooterSize || !ReadAt(fd_, dirOffset, dirSize, dir) ||
      Crc(dir) != dirCrc) {
    error = "damaged resource directory";
    return false;
  }
  std::string_view d(dir);
  std::uint64_t lowest = dirOffset;
  for (std::uint32_t i = 0; i < count; ++i) {
    Entry e;
    std::uint16_t len = 0;
    if (!Get(d, len) || d.size() < len) break;
    e.name.assign(d.data(), len);
    d.remove_prefix(len);
    if (!Get(d, e.offset) || !Get(d, e.size) || !Get(d, e.crc) || e.offset > dirOffset || e.size > dirOffset - e.offset) {
      error = "damaged resource directory";
      return false;
    }
    lowest = std::min(lowest, e.offset);
    entries_.push_back(std::move(e));
  }
  if (entries_.size() != count || !d.empty()) {
    error = "damaged resource directory";
    entries_.clear();
    return false;
  }
  payloadStart_ = lowest;
  return true;
}

const ResourceFile::Entry* ResourceFile::Find(const std::string& name) const {
  for (const Entry& e : entries_) {
    if (SameText(e.name, name)) return &e;
  }
  return nullptr;
}

bool ResourceFile::Has(const std::string& name) const { return Find(name) != nullptr; }

bool ResourceFile::Read(const std::string& name, std::string& bytes, std::string& error) const {
  const Entry* e = Find(name);
  if (e == nullptr) {
    error = "no resource " + name;
    return false;
  }
  if (!ReadAt(fd_, e->offset, static_cast<std::size_t>(e->size), bytes)) {
    error = "cannot read resource " + name;
    return false;
  }
  if (Crc(bytes) != e->crc) {
    error = "damaged resource " + name;
    bytes.clear();
    return false;
  }
  return true;
}

std::vector<std::string> ResourceFile::Names() const {
  std::vector<std::string> names;
  for (const Entry& e : entries_) names.push_back(e.name);
  return names;
}

bool AppendResources(const std::string& path, const std::vector<std::pair<std::string, std::string>>& blobs,
                     std::string& error) {
  const auto existing = ResourceFile::Open(path, error);
  if (!existing) return false;
  std::vector<std::pair<std::string, std::string>> all;
  for (const std::string& name : existing->Names()) {
    bool replaced = false;
    for (const auto& b : blobs) replaced = replaced || SameText(b.first, name);
    std::string bytes;
    if (replaced) continue;
    if (!existing->Read(name, bytes, error)) return false;
    all.emplace_back(name, std::move(bytes));
  }
  for (const auto& b : blobs) {
    if (b.first.empty() || b.first.size() > 0xFFFF) {
      error = "bad resource name";
      return false;
    }
    all.push_back(b);
  }
  std::string file;
  if (!ReadAt(existing->fd_, 0, static_cast<std::size_t>(existing->payloadStart_), file)) {
    error = "cannot read " + path;
    return false;
  }
  std::string dir;
  for (const auto& [name, bytes] : all) {
    Put<std::uint16_t>(dir, static_cast<std::uint16_t>(name.size()));
    dir += name;
    Put<std::uint64_t>(dir, file.size());
    Put<std::uint64_t>(dir, bytes.size());
    Put<std::uint32_t>(dir, Crc(bytes));
    file += bytes;
  }
  const std::uint64_t dirOffset = file.size();
  file += dir;
  Put<std::uint64_t>(file, dirOffset);
  Put<std::uint32_t>(file, static_cast<std::uint32_t>(dir.size()));
  Put<std::uint32_t>(file, static_cast<std::uint32_t>(all.size()));
  Put<std::uint32_t>(file, Crc(dir));
  Put<std::uint32_t>(file, 0);
  file.append(kMagic, sizeof kMagic);
  if (const long rc = ReplaceFileContents(HostPath(path), file); rc != kErrorSuccess) {
    error = "cannot write " + path + ": " + SystemErrorText(rc);
    return false;
  }
  return true;
}

}  // namespace platform
