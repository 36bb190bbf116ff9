#include "setup/core/WinErrorText.h"

#include "platform/FileOps.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/WinError.h"

namespace orvane {

std::string WinErrorText(long code) {
  switch (code) {
    case platform::kErrorSuccess:
      return "操作成功完成。";
    case platform::kErrorFileNotFound:
      return "系统找不到指定的文件。";
    case platform::kErrorPathNotFound:
      return "系统找不到指定的路径。";
    case platform::kErrorAccessDenied:
      return "拒绝访问。";
    case platform::kErrorInvalidHandle:
      return "句柄无效。";
    case platform::kErrorSharingViolation:
      return "另一个程序正在使用此文件，进程无法访问。";
    case platform::kErrorFileExists:
      return "文件存在。";
    case platform::kErrorInvalidParameter:
      return "参数错误。";
    case platform::kErrorAlreadyExists:
      return "当文件已存在时，无法创建该文件。";
    case platform::kErrorRegistryIo:
      return "由注册表启动的 I/O 操作恢复失败。";
    case platform::kErrorKeyDeleted:
      return "试图在标记为删除的注册表项上进行非法操作。";
    case platform::kErrorServiceAlreadyRunning:
      return "服务的实例已在运行中。";
    case platform::kErrorServiceDoesNotExist:
      return "指定的服务未安装。";
    case platform::kErrorServiceNotActive:
      return "服务没有启动。";
    case platform::kErrorServiceExists:
      return "指定的服务已存在。";
    case platform::kErrorUnsupportedType:
      return "不支持该数据类型。";
    default:
      return "系统错误，代码：" + std::to_string(code) + "。";
  }
}

}  // namespace orvane
