#include "foundation/LogView.h"

namespace tessaly {

bool TLogViewLines::Add(const std::string& line) {
  lines_.push_back(line);
  if (lines_.size() - 1 < kMaxLines) return false;
  lines_.clear();
  return true;
}

}  // namespace tessaly
