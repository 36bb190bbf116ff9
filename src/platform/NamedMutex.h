#pragma once
// Named mutexes that outlive no process: a name exists while some process (this one included)
// keeps a handle to it. Each handle is a shared flock on <machine root>/run/mutex-<digest>.lock,
// opened close-on-exec so started programs never inherit it; the system drops it when the
// process ends, however it ends. Names are case-sensitive, as on Windows. Thread-safe.
#include <string>

namespace platform {

// OpenMutex: true when a mutex of that name exists, i.e. some handle to it is held.
[[nodiscard]] bool OpenNamedMutex(const std::string& name);
// CreateMutex (not owned): takes a handle that is kept until the process ends. Succeeds also
// when the mutex exists already, as on Windows. False when the lock file cannot be made.
[[nodiscard]] bool CreateNamedMutex(const std::string& name);

}  // namespace platform
