// The uninstaller's end: a batch file on the Windows drive that waits for the uninstaller to
// end, deletes its file and, when asked, its folder, then itself.
#include "platform/FileOps.h"
#include "platform/ShellOpen.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

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
  const std::string batch = WinPath.substr(0, WinPath.find(":\\")) + ":\\" + ExtractFileName(program) + ".bat";
  std::vector<std::string> lines = {"@echo off", "choice /t 3 /d y /n", "set var=0", ":loop_file", "set /a var+=1",
                                    "del " + Quoted(program), "if %var% lss 10 goto loop_file"};
  if (deep)
    lines.insert(lines.end(), {"set var=0", ":loop_dir", "set /a var+=1", "rd/s/q " + Quoted(folder),
                               "if %var% lss 10 goto loop_dir"});
  lines.push_back("del " + Quoted(batch));
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n\r\n";
  if (platform::WriteFileBytes(batch, platform::Utf8ToCp936(text), false) != 0 || !FileExists(batch)) return false;
  std::string error;
  if (platform::ShellOpen(batch, "", error)) return true;
  WriteSetupLog("启动自删除批处理失败：" + error);
  return false;
}

}  // namespace orvane
