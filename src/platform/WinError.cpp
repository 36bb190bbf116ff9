#include "platform/WinError.h"

namespace platform {

std::string SystemErrorText(long code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorInvalidHandle: return "The handle is invalid.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case kErrorUnsupportedType: return "Data of this type is not supported.";
    case kErrorRegistryIo:
      return "An I/O operation initiated by the registry failed unrecoverably.";
    default: return "System error " + std::to_string(code) + ".";
  }
}

}  // namespace platform
