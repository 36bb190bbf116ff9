// The main window's engine start and stop, its state poll and its header and footer lines.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "engine/AppDMUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/ui/VqLabel.h"
#include "platform/TextCodec.h"
#include "shell/MainUnit.h"

namespace tessaly {

bool IsAutoArg(const std::string& aFirstArg) { return platform::SameText(aFirstArg, "-auto"); }

void TMain::tmrAutoStartTimer() {
  tmrAutoStart->stop();
  if (FIsInited) return;
  // A settings, reset or query dialog (or a question) is open: starting now would run the engine
  // under a dialog that rewrites its settings or deletes its checkpoints. Try again later.
  if (QApplication::activeModalWidget() != nullptr) {
    tmrAutoStart->start();
    return;
  }
  SetSkinColors();
  if (AppVar->AutoStart && AppVar->UploadState.v() != TUploadState::Running) {
    FIsAutoStart = true;
    SvrStart();
  }
  FIsInited = true;
}

void TMain::SvrStart() {
  FIsStarting = true;
  if (AppVar->SoftVer.empty()) {
    Log("不能启动服务，请设置软件！", true);
    return;
  }
  TSPfApp::CfgSave();
  ShowDBInfo();
  std::string error;
  if (!AppDM->FDConnection.Connected() && !SPfApp->GetConnDB(error)) {
    Log(error, true);
    return;
  }
  if (AppVar->SoftModel == 1) {
    if (AppVar->DBDistributed <= 0) AppVar->DBDistributed = AppDM->SoftGetDistributed(error);
    if (AppVar->DBDistributed == 2) {
      const std::string branch = AppVar->BranchNo.v();
      if (branch.empty()) {
        Log("不能启动服务，未取到分部门店号，请尝试先登录收银软件...", true);
        return;
      }
      const std::string padded = "0000" + branch;
      if (padded.substr(padded.size() - 4) == "0000") {
        Log("不能启动服务，分店机构号为：" + branch + "，请检查(Tarn建议到软件中绑定总部)...", true);
        return;
      }
    }
  }
  ShowSoftVer();
  if (!SPfApp->CheckVIPSvrConfig(error)) return;  // the engine object has logged why
  btnServer->setEnabled(false);
  btnServer->setText("启动中...");
  for (TVqLabel* button : {btnConfig, btnReset, btnQuery}) button->setEnabled(false);
  SPfApp->Start(error);
  tmrServer->start();
}

void TMain::btnServerClick() {
  if (AppVar->UploadState.v() != TUploadState::Running) {
    SvrStart();
    return;
  }
  btnServer->setEnabled(false);
  btnServer->setText("停止中...");
  std::string error;
  SPfApp->Stop(error);
  tmrServer->start();
}

void TMain::tmrServerTimer() {
  switch (AppVar->UploadState.v()) {
    case TUploadState::Running:
      ShowState(true);
      tmrServer->stop();
      btnServer->setEnabled(true);
      btnServer->setText("停止服务");
      if (FIsStarting && FIsAutoStart && IsAutoArg(FFirstArg) && IsShownNormally()) {
        close();  // refused: it hides
        ShowTips(std::string(kAppTitle) + "运行中...");
      }
      FIsStarting = false;
      break;
    case TUploadState::Stopped:
    case TUploadState::StoppedAfterStop:
      tmrServer->stop();
      btnServer->setEnabled(true);
      btnServer->setText("启动服务");
      AppVar->UploadState.v(TUploadState::Stopped);
      ShowState(false);
      if (FIsStarting) {
        if (FIsAutoStart && !IsShownNormally()) ShowWindow();
        FIsStarting = false;
      }
      break;
    default:
      break;  // a request is still pending
  }
}

void TMain::ShowState(bool aRunning) {
  imgState1->setVisible(!aRunning);
  imgState2->setVisible(aRunning);
  for (TVqLabel* button : {btnConfig, btnReset, btnQuery}) button->setEnabled(!aRunning);
}

void TMain::ShowSoftVer() {
  if (AppVar->SoftVer.empty()) {
    lblSoftVer->setText("请设置软件");
    lblDBInfo->clear();
    return;
  }
  std::string text = AppVar->SoftVerName + " [" + AppVar->SoftVer + "]";
  if (AppVar->SoftModel == 1 && AppVar->DBDistributed > 0) text += " " + TSPfApp::GetDistributedVer();
  lblSoftVer->setText(QString::fromStdString(text));
  ShowDBInfo();
}

void TMain::ShowDBInfo() {
  std::string db;
  switch (AppVar->DBMode) {
    case TDBMode::Server:
      db = "服务器地址：" + AppVar->SvrHost + "，端口：" + std::to_string(AppVar->SvrPort) + "，帐套：" +
           AppVar->SvrDBName;
      break;
    case TDBMode::Hosted:
      // The plain settings name no hosted enterprise; the server is what identifies it.
      db =
          "托管企业：" + AppVar->SvrHost + ":" + std::to_string(AppVar->SvrPort) + "，帐套：" + AppVar->SvrDBName + " ";
      break;
    default:
      db = "帐套服务器：" + AppVar->DBHost + "，用户：" + AppVar->DBUser + "，帐套：" + AppVar->DBName;
      break;
  }
  const std::string prefix = AppVar->SoftModel == 2 ? "[托管式" : "[分布式";
  lblDBInfo->setText(QString::fromStdString(prefix + std::to_string(AppVar->DBDistributed) + "] " + db));
  lblVIPState->setText(AppVar->SvrVIPConnOK.v() ? "VIP" : "");
  lblVIPState->adjustSize();
}

}  // namespace tessaly
