#include "setup/core/ZipThread.h"

#include <exception>

#include "platform/FileOps.h"
#include "setup/core/SetupClock.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqRes.h"

namespace orvane {

TZipThread::TZipThread(std::string resource, std::string target, TvqSign& sign)
    : resource_(std::move(resource)), target_(std::move(target)), sign_(sign), thread_([this] { Run(); }) {}

TZipThread::~TZipThread() {
  if (thread_.joinable()) thread_.join();
}

void TZipThread::Run() {
  sign_.SetValue(1);
  const std::string head = "提取资源包[" + resource_ + "]";
  try {
    WriteSetupLog(head + target_ + "...");
    const std::string temp = target_ + ".tmp";
    std::string error;
    if (TvqRes::GetRCDataToFile(resource_, temp, error))
      WriteSetupLog(head + "到临时文件：" + temp + " 成功");
    else
      WriteSetupLog(head + "到临时文件：" + temp + " 出错：" + error);
    GetClock().SleepMs(100);
    const bool renamed = platform::MoveFileNoReplace(temp, target_) == 0;
    WriteSetupLog(head + "重命名临时文件" + (renamed ? "成功" : "失败") + "：" + temp + "->" + target_);
    GetClock().SleepMs(100);
    sign_.SetValue(2);
    WriteSetupLog(head + "完成.");
  } catch (const std::exception& e) {
    sign_.SetValue(3);
    WriteSetupLog(head + "出错：" + e.what());
  }
}

}  // namespace orvane
