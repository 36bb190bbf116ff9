#include "foundation/LogView.h"

namespace tessaly {

bool TLogViewLines::Add() {
  if (count_++ < kMaxLines) return false;
  count_ = 0;
  return true;
}

}  // namespace tessaly
