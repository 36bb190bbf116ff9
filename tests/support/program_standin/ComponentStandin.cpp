// A component library for tests: DllRegisterServer appends a line to the file named by
// VQ_COMPONENT_MARKER (when set) and returns the number in VQ_COMPONENT_RESULT (default 0).
#include <cstdint>
#include <cstdlib>
#include <fstream>

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() {
  if (const char* marker = std::getenv("VQ_COMPONENT_MARKER")) std::ofstream(marker, std::ios::app) << "registered\n";
  const char* result = std::getenv("VQ_COMPONENT_RESULT");
  return result != nullptr ? static_cast<std::int32_t>(std::strtol(result, nullptr, 0)) : 0;
}
