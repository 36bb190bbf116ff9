#pragma once
// The setup program's own resources (RCDATA), read from the trailer of its program file
// (platform/ExeResources.h). Names compare without case. Thread-safe: the package threads read
// while the UI thread does.
#include <string>

namespace orvane {

class TvqRes {
 public:
  TvqRes() = delete;

  // The bytes of resource `name`. Missing: false with "未找到资源" + name; any other failure:
  // false with its reason.
  [[nodiscard]] static bool GetRCData(const std::string& name, std::string& bytes, std::string& error);
  // The resource written to `file` (a Windows or host path), replacing it; the file's folder is
  // created with its parents when missing.
  [[nodiscard]] static bool GetRCDataToFile(const std::string& name, const std::string& file, std::string& error);
};

}  // namespace orvane
