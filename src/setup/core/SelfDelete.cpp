// The uninstaller's end: the library's batch file deletes the uninstaller after it has ended
// and, when asked and allowed, the install folder it ran from.
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"

namespace orvane {

bool TvqApp::StartSelfDelete(bool deep) {
  const std::string program = ProgramPath();
  const std::string folder = FolderOf(program);
  if (deep) {
    // Only the install location found at start-up, inside the machine, and never a folder the
    // system or other products live in.
    const std::string drive = WinPath.substr(0, 3);
    bool allowed = !startupInstallLocation_.empty() && platform::IsDrivePath(folder) && folder.size() > 3 &&
                   platform::SameText(folder, startupInstallLocation_);
    for (const std::string& kept : {WinPath, ProgramFilesPath, ProgramFiles86Path, drive + "ProgramData\\"})
      if (platform::SameText(folder, kept)) allowed = false;
    if (!allowed) {
      WriteSetupLog("卸载程序目录不是安装目录，只删除卸载程序：" + folder);
      deep = false;
    }
  }
  try {
    return TvqLib::SelfDelete(program, deep);
  } catch (const EVqLibError& e) {
    WriteSetupLog(std::string("写入自删除批处理失败：") + e.what());
    return false;
  }
}

}  // namespace orvane
