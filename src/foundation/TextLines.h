#pragma once
// Line splitting is the host layer's (platform/TextLines.h), shared by both programs.
#include "platform/TextLines.h"

namespace tessaly {

using platform::SplitTextLines;

}  // namespace tessaly
