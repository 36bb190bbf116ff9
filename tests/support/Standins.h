#pragma once
// The stand-in program and component library (tests/support/program_standin), placed into the
// current machine root so that the host layer treats them as the machine's own programs.
#include <string>

namespace vqtest {

// Host paths of the built stand-ins.
[[nodiscard]] std::string ProgramStandinFile();
[[nodiscard]] std::string ComponentStandinFile();
// Host path of the outside algorithm stand-in: a library without DllRegisterServer.
[[nodiscard]] std::string LibraryWithoutEntryFile();

// Copies the stand-in program to `windowsPath` (folders created, executable); its host path.
std::string PlaceProgramStandin(const std::string& windowsPath);
// Copies the component stand-in to `windowsPath`; its host path.
std::string PlaceComponentStandin(const std::string& windowsPath);

// Waits until `condition` holds; false when it still does not after the hang guard (10 s).
template <typename Condition>
[[nodiscard]] bool WaitUntil(Condition condition);

}  // namespace vqtest

#include <chrono>
#include <thread>

template <typename Condition>
bool vqtest::WaitUntil(Condition condition) {
  for (int i = 0; i < 2000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}
