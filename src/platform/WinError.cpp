#include "platform/WinError.h"

#include "platform/FileOps.h"
#include "platform/Registry.h"
#include "platform/Services.h"

namespace platform {

// The texts of a Chinese (2052) Windows, the system both programs were made for.
std::string SystemErrorText(long code) {
  switch (code) {
    case kErrorSuccess: return "操作成功完成。";
    case kErrorFileNotFound: return "系统找不到指定的文件。";
    case kErrorPathNotFound: return "系统找不到指定的路径。";
    case kErrorAccessDenied: return "拒绝访问。";
    case kErrorInvalidHandle: return "句柄无效。";
    case kErrorSharingViolation: return "另一个程序正在使用此文件，进程无法访问。";
    case kErrorFileExists: return "文件存在。";
    case kErrorInvalidParameter: return "参数错误。";
    case kErrorAlreadyExists: return "当文件已存在时，无法创建该文件。";
    case kErrorRegistryIo: return "由注册表启动的 I/O 操作恢复失败。";
    case kErrorKeyDeleted: return "试图在标记为删除的注册表项上进行非法操作。";
    case kErrorServiceAlreadyRunning: return "服务的实例已在运行中。";
    case kErrorServiceDoesNotExist: return "指定的服务未安装。";
    case kErrorServiceNotActive: return "服务没有启动。";
    case kErrorServiceExists: return "指定的服务已存在。";
    case kErrorUnsupportedType: return "不支持该数据类型。";
    default: return "系统错误，代码：" + std::to_string(code) + "。";
  }
}

}  // namespace platform
