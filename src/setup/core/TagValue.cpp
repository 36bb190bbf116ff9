#include "setup/core/TagValue.h"

namespace orvane {

std::string GetTagValue(std::string_view record, std::string_view name, char terminator) {
  const std::size_t at = name.empty() ? std::string_view::npos : record.find(name);
  if (at == std::string_view::npos) return std::string(record.substr(0, record.find(terminator)));
  const std::string_view rest = record.substr(at + name.size());
  return std::string(rest.substr(0, rest.find(terminator)));
}

std::string SetTagValue(std::string_view record, std::string_view name, char terminator, std::string_view value) {
  const std::size_t at = name.empty() ? std::string_view::npos : record.find(name);
  if (at == std::string_view::npos) {
    if (name.empty()) return std::string(value) + terminator + std::string(record);
    return std::string(record) + terminator + std::string(name) + std::string(value);
  }
  const std::size_t valueStart = at + name.size();
  const std::size_t end = record.find(terminator, valueStart);
  std::string out(record.substr(0, valueStart));
  out += value;
  if (end != std::string_view::npos) out += record.substr(end);
  return out;
}

}  // namespace orvane
