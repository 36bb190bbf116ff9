#include "support/BuildTree.h"

#include <cstdlib>

namespace vqtest {

std::string BuildFile(const std::string& relative) {
  const char* build = std::getenv("VQ_TEST_BINARY_DIR");
  return std::string(build != nullptr ? build : ".") + "/" + relative;
}

}  // namespace vqtest
