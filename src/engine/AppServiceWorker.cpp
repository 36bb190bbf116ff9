// The worker's life: creation, the tick loop shared by the uploader and the puller, the start of
// a worker and the stop handshake through the engine state word, and destruction.
#include <cstdint>
#include <exception>
#include <sstream>
#include <utility>

#include "engine/AppDMUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/Clock.h"
#include "foundation/VqLibUtil.h"

namespace tessaly {
namespace {

constexpr int kTickMs = 1000;
constexpr int kStartPauseMs = 300;

[[nodiscard]] bool IsActiveState(int aState) {
  return aState == TUploadState::StartRequested || aState == TUploadState::Running;
}

}  // namespace

std::mutex TUploadWorker::FStartedLock;
int TUploadWorker::FStartedCount = 0;

TUploadWorker::TUploadWorker(bool aPullWorker, TOnTips aOnTips)
    : FIsPullWorker(aPullWorker), FOnTips(std::move(aOnTips)) {
  FThread = std::thread([this] { Execute(); });
  std::ostringstream id;
  id << FThread.get_id();
  FThreadIdText = id.str();
  Log("创建成功：" + FThreadIdText);
}

void TUploadWorker::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

TUploadWorker::~TUploadWorker() {
  Terminate();
  WaitFor();
  try {
    qryData.Close();
    qryTable.Close();
    if (FConn.Connected()) FConn.Close();
    Log("释放成功：" + FThreadIdText);
  } catch (const std::exception& e) {
    Log("释放出错[" + FThreadIdText + "]：" + e.what());
  }
}

void TUploadWorker::Log(const std::string& aText, bool aIsLog) {
  TvqLib::Log(aText.empty() ? aText : "[工作线程] " + aText, aIsLog, 9);
}

bool TUploadWorker::ExitSeen() const { return Terminated() || AppVar->IsExitApp.v() == 1; }

bool TUploadWorker::StopSeen() const { return Terminated() || AppVar->UploadState.v() == TUploadState::StopRequested; }

void TUploadWorker::Execute() {
  while (!Terminated()) {
    if (IsActiveState(AppVar->UploadState.v())) {
      if (!FStarted) StartWork();
      bool leave = false;
      if (FStarted && IsActiveState(AppVar->UploadState.v())) {
        try {
          leave = DoWork();
        } catch (const std::exception& e) {
          // Nothing may end the thread but the terminate flag and the exit of the program.
          Log(e.what(), true);
        }
      }
      if (leave) break;
    }
    if (Terminated()) break;
    StopHandshake();
    GetClock().SleepMs(kTickMs);
  }
  {
    // A worker that ends while started must not hold up the handshake of the others.
    std::lock_guard<std::mutex> guard(FStartedLock);
    if (FStarted) --FStartedCount;
    FStarted = false;
  }
  Log("工作线程已结束.", true);
}

void TUploadWorker::StartWork() {
  Log("开启工作线程...", true);
  std::string reason;
  // The database settings may have changed while the engine was stopped: every start takes the
  // main connection's current parameters.
  try {
    FConn.Close();
  } catch (const std::exception& e) {
    Log("关闭旧数据库连接出错：" + std::string(e.what()));
  }
  if (!AppDM->CheckConn(reason, &FConn)) {
    Log("开启工作线程失败：数据库帐套连接失败，" + reason, true);
    FailStart();
    return;
  }
  if (!AppDM->GetTransTable(reason, qryTable, &FConn)) {
    Log("开启工作线程失败：查询待上传表出错，" + reason, true);
    FailStart();
    return;
  }
  {
    std::lock_guard<std::mutex> guard(FStartedLock);
    FStarted = true;
    ++FStartedCount;
    // A stop request or a failed start of the other worker that came meanwhile stays.
    AppVar->UploadState.Update([](std::int32_t& state) {
      if (IsActiveState(state)) state = TUploadState::Running;
    });
  }
  FUploadCounter = 0;
  FVipCounter = 0;
  FOrderCounter = 0;
  Log("工作线程开启成功.", true);
  GetClock().SleepMs(kStartPauseMs);
}

void TUploadWorker::FailStart() {
  std::lock_guard<std::mutex> guard(FStartedLock);
  // With another worker running, a plain 0 would leave it mid-cycle with the engine shown as
  // stopped; a stop lets the handshake end in 5 once that worker has finished.
  const std::int32_t failed = FStartedCount > 0 ? TUploadState::StopRequested : TUploadState::Stopped;
  AppVar->UploadState.Update([failed](std::int32_t& state) {
    if (IsActiveState(state)) state = failed;
  });
}

bool TUploadWorker::DoWork() {
  if (!FIsPullWorker) {
    if (FUploadCounter == 0 || FUploadCounter > AppVar->UploadWaitTime.v()) {
      UploadAll();
      FUploadCounter = 0;
    }
    ++FUploadCounter;
    return ExitSeen();
  }
  const int waitTime = AppVar->DownloadWaitTime.v();
  if (AppVar->DBDistributed == 0 || AppVar->DBDistributed == 1) {
    if (FVipCounter == 0 || FVipCounter > waitTime) {
      PullVipInfo();
      FVipCounter = 0;
    }
    ++FVipCounter;
    if (ExitSeen()) return true;
  }
  const bool selfCollect = AppVar->PullSelfCollect.v();
  const bool wxApplet = AppVar->PullWXApplet.v();
  if (selfCollect || wxApplet) {
    if (FOrderCounter == 0 || FOrderCounter > waitTime) {
      if (selfCollect) PullPosOrders();
      if (wxApplet) PullAppletOrders();
      FOrderCounter = 0;
    }
    ++FOrderCounter;
    if (ExitSeen()) return true;
  }
  return false;
}

void TUploadWorker::StopHandshake() {
  const int state = AppVar->UploadState.v();
  if (state == TUploadState::StopRequested) {
    Log("正在停止工作线程...", true);
    std::lock_guard<std::mutex> guard(FStartedLock);
    if (FStarted) {
      FStarted = false;
      --FStartedCount;
      Log("工作线程已停止.", true);
    }
    if (FStartedCount == 0)
      AppVar->UploadState.Update([](std::int32_t& state) {
        if (state == TUploadState::StopRequested) state = TUploadState::StoppedAfterStop;
      });
    return;
  }
  if ((state == TUploadState::Stopped || state == TUploadState::StoppedAfterStop) && FStarted) {
    std::lock_guard<std::mutex> guard(FStartedLock);
    FStarted = false;
    --FStartedCount;
  }
}

}  // namespace tessaly
