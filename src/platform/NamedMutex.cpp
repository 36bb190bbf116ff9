#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <openssl/sha.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/Hex.h"
#include "platform/MachineRoot.h"

namespace platform {
namespace {

std::mutex g_lock;
std::vector<int> g_handles;  // guarded by g_lock: descriptors kept for the life of the process

// Names come from program paths of any length, and a non-ASCII character costs nine bytes
// escaped, so the file is named by the SHA-256 of the name: always one short file name, and two
// names never share a file.
std::string LockFile(const std::string& name) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(name.data()), name.size(), digest);
  std::string file = MachineRunDir() + "/mutex-";
  for (const unsigned char b : digest) AppendHex(file, b, 2, HexCase::Lower);
  return file + ".lock";
}

int OpenLockFile(const std::string& name) {
  return ::open(LockFile(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

int Flock(int fd, int op) {
  int rc;
  do {
    rc = ::flock(fd, op);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

}  // namespace

// Holders keep shared locks, so any number of handles coexist. The probe asks for an
// exclusive lock without waiting: it is refused exactly while some handle exists, and when it
// is granted it is dropped at once, so a creator waits at most for that moment.
bool OpenNamedMutex(const std::string& name) {
  if (MachineRunDir().empty()) return false;
  const int fd = OpenLockFile(name);
  if (fd < 0) return false;
  const bool held = Flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool CreateNamedMutex(const std::string& name) {
  if (MachineRunDir().empty()) return false;
  const int fd = OpenLockFile(name);
  if (fd < 0) return false;
  if (Flock(fd, LOCK_SH) != 0) {
    ::close(fd);
    return false;
  }
  std::lock_guard<std::mutex> g(g_lock);
  g_handles.push_back(fd);
  return true;
}

}  // namespace platform
