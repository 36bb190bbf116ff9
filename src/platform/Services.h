#pragma once
// Windows services of the emulated machine. A service is the registry key
// HKLM\SYSTEM\CurrentControlSet\Services\<name> (64-bit view) with the values Windows keeps
// (Type, Start, ErrorControl, ImagePath, DisplayName, ObjectName), plus, while it has been
// started, a pid file <machine root>/run/services/<name>.pid naming the process and the start
// time of the process. A service runs while that process lives and runs the registered image, so
// a reused process id is never taken for the service. Starting runs the image detached; stopping
// sends SIGTERM (the stop control) and does not wait. Names compare without case.
// Results are Windows error codes. Thread-safe.
#include <string>

namespace platform {

inline constexpr long kErrorServiceAlreadyRunning = 1056;
inline constexpr long kErrorServiceDoesNotExist = 1060;
inline constexpr long kErrorServiceNotActive = 1062;
inline constexpr long kErrorServiceExists = 1073;

// Service states of the status query.
inline constexpr int kServiceStopped = 1;
inline constexpr int kServiceRunning = 4;

// CreateService for an own-process, interactive, automatic service with error control "ignore",
// running as LocalSystem. `imagePath` is the program's Windows path.
[[nodiscard]] long CreateService(const std::string& name, const std::string& displayName,
                                 const std::string& imagePath);
// OpenService: kErrorSuccess when the service exists.
[[nodiscard]] long OpenService(const std::string& name);
// StartService without arguments.
[[nodiscard]] long StartService(const std::string& name);
// ControlService with the stop control.
[[nodiscard]] long StopService(const std::string& name);
// QueryServiceStatus: kServiceRunning or kServiceStopped in `state`.
[[nodiscard]] long QueryServiceState(const std::string& name, int& state);
// DeleteService: removes the registration (a running service keeps running until it stops).
[[nodiscard]] long DeleteService(const std::string& name);

}  // namespace platform
