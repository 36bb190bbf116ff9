// The engine object's life, the hand-over of the workers' tips, and the engine start and stop.
#include "engine/AppUtil.h"

#include <exception>
#include <utility>

#include "engine/AppDMUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"

namespace tessaly {

TSPfApp* SPfApp = nullptr;

TSPfApp::TSPfApp() {
  try {
    FAppVar = std::make_unique<TAppVar>();
    AppVar = FAppVar.get();
    FSpfSvrSDK = std::make_unique<TVqSpfSvrSDK>();
    SpfSvrSDK = FSpfSvrSDK.get();
    FAppDM = std::make_unique<TAppDM>();
    AppDM = FAppDM.get();
    const TOnTips tips = [this](int aType, const std::string& aTips) { DoAppTips(aType, aTips); };
    FUploader = std::make_unique<TUploadWorker>(false, tips);
    FPuller = std::make_unique<TUploadWorker>(true, tips);
  } catch (...) {
    Free();
    throw;
  }
  // The WinHTTP road of the HTTP utility is not used by the engine.
  NetClientMode = 0;
}

TSPfApp::~TSPfApp() { Free(); }

void TSPfApp::Free() noexcept {
  // Both terminate flags first, so neither worker starts more work while the other is joined;
  // then both threads have ended before either worker, or anything they use, is freed.
  for (TUploadWorker* worker : {FUploader.get(), FPuller.get()})
    if (worker != nullptr) worker->Terminate();
  for (TUploadWorker* worker : {FUploader.get(), FPuller.get()})
    if (worker != nullptr) worker->WaitFor();
  FPuller.reset();
  FUploader.reset();
  AppDM = nullptr;
  FAppDM.reset();
  SpfSvrSDK = nullptr;
  FSpfSvrSDK.reset();
  AppVar = nullptr;
  FAppVar.reset();
}

void TSPfApp::Init() {
  AppVar->SoftId.v(0);
  CfgLoad();
}

void TSPfApp::Log(const std::string& aLog, bool aIsLog) {
  TvqLib::Log(aLog.empty() ? aLog : "[APP] " + aLog, aIsLog, 9);
}

void TSPfApp::DoAppTips(int aType, const std::string& aTips) {
  const std::shared_ptr<IAppTipsSink> sink = OnAppTips();
  if (!sink) return;  // nobody shows tips: the tip is dropped
  try {
    sink->QueueTip(aType, aTips);
  } catch (const std::exception& e) {
    // The tip is lost, the worker must go on.
    Log(aTips + "：" + e.what(), true);
  } catch (...) {
    Log(aTips, true);
  }
}

void TSPfApp::SetOnAppTips(std::shared_ptr<IAppTipsSink> aSink) {
  std::lock_guard<std::mutex> guard(FTipsLock);
  FOnTips = std::move(aSink);
}

std::shared_ptr<IAppTipsSink> TSPfApp::OnAppTips() const {
  std::lock_guard<std::mutex> guard(FTipsLock);
  return FOnTips;
}

std::string TSPfApp::GetDistributedVer() {
  switch (AppVar->DBDistributed) {
    case 1:
      return "总部版";
    case 2:
      return "分部版";
    default:
      return "";
  }
}

void TSPfApp::Start(std::string& aResult) {
  if (AppDM->FDConnection.Connected() || GetConnDB(aResult)) {
    AppVar->UploadState.v(TUploadState::StartRequested);
    return;
  }
  Log(aResult, true);
}

void TSPfApp::Stop(std::string& /*aResult*/) { AppVar->UploadState.v(TUploadState::StopRequested); }

void TSPfApp::Check() {
  // std::thread workers cannot be suspended, so there is never one to resume.
}

}  // namespace tessaly
