// The puller's three routines: self-service orders, mini-program orders and new members. One
// run asks the platform for one page after the routine's checkpoint, stores and hands over each
// record, and moves the checkpoint only when the whole page went into the agent's tables.
#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "engine/AppDMUtil.h"
#include "engine/AppObjectsUtil.h"
#include "engine/AppPullReply.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppVarUtil.h"
#include "foundation/Clock.h"
#include "foundation/DateTime.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"

namespace tessaly {

namespace {

constexpr int kRequestAttempts = 3;
constexpr int kRequestPauseMs = 300;
constexpr const char* kMissingOrder = "销售数据解析有误";

using TLogFn = std::function<void(const std::string&, bool)>;

// What the shared steps of one run need from the worker.
struct TPullRun {
  std::string Prefix;
  TLogFn Log;
  std::function<bool()> ExitSeen;
  TDbConnection* Conn = nullptr;
  std::string* Step = nullptr;  // the current step name, for the routines that keep one
};

[[nodiscard]] std::string StepName(const TPullRun& aRun) { return aRun.Step ? *aRun.Step : std::string(); }

void SetStep(const TPullRun& aRun, const char* aStep) {
  if (aRun.Step) *aRun.Step = aStep;
}

// "[" + count + "/" + position + "]": the count first.
[[nodiscard]] std::string ItemLabel(std::size_t aCount, std::size_t aIndex) {
  return "[" + std::to_string(aCount) + "/" + std::to_string(aIndex + 1) + "]";
}

// The branch number of the order requests: only the distributed family has one.
[[nodiscard]] std::string PullBranchNo() { return AppVar->SoftModel == 1 ? AppVar->BranchNo.v() : std::string(); }

// Up to three requests 300 ms apart; the failures are detail lines "失败1：" ... "失败3：".
[[nodiscard]] bool RequestPage(const TPullRun& aRun, const std::function<bool(std::string&)>& aRequest,
                               std::string& aReply) {
  for (int attempt = 1; attempt <= kRequestAttempts; ++attempt) {
    aReply.clear();
    if (aRequest(aReply)) return true;
    aRun.Log(aRun.Prefix + "失败" + std::to_string(attempt) + "：" + aReply, false);
    if (attempt < kRequestAttempts) GetClock().SleepMs(kRequestPauseMs);
  }
  return false;
}

// The checkpoint change number; false when the checkpoint could not be read at all, which must
// not pass for a missing one (that would pull everything again from 0).
[[nodiscard]] bool ReadChangeCheckpoint(const TPullRun& aRun, const std::string& aType, const std::string& aTable,
                                        const std::string& aWhat, int& aChange) {
  std::string reason;
  bool failed = false;
  aChange = AppDM->GetTransRecord(reason, aType, aTable, aRun.Conn, &failed);
  if (failed) {
    aRun.Log(aWhat + "读取传输标记失败：" + reason, true);
    return false;
  }
  if (aChange < 0) aChange = 0;
  return true;
}

// The checkpoint date; false when it could not be read (see ReadChangeCheckpoint).
[[nodiscard]] bool ReadDateCheckpoint(const TPullRun& aRun, const std::string& aType, const std::string& aTable,
                                      const std::string& aWhat, TDateTime& aDate) {
  std::string reason;
  bool failed = false;
  aDate = AppDM->GetTransRecordDate(reason, aType, aTable, aRun.Conn, &failed);
  if (failed) {
    aRun.Log(aWhat + "读取传输时间失败：" + reason, true);
    return false;
  }
  return true;
}

// The refusal of step 6: bResult false, or no oResult. aWithHead: "服务器返回：" before the text.
void LogRefusal(const TPullRun& aRun, const AppObjectsUtil::TVqRespond& aReply, bool aWithHead) {
  if (aReply.bResult) {
    aRun.Log(aRun.Prefix + aReply.errMsg, false);
    return;
  }
  const std::string message = aReply.errMsg.empty() ? std::string("请求服务器失败") : aReply.errMsg;
  aRun.Log(aRun.Prefix + (aWithHead ? "服务器返回：" : "") + message, true);
}

// Handles the records of a page in order; aOne stores one and returns false when the page can
// no longer count as complete. A record marked in aMissing is only logged with aMissingText and
// keeps the page incomplete. A stop or the program's exit cuts the page short.
template <class TRecord, class TOne>
[[nodiscard]] bool ProcessPage(const TPullRun& aRun, std::vector<TRecord>& aRecords, const std::vector<bool>& aMissing,
                               const char* aMissingText, TOne&& aOne) {
  bool complete = true;
  const std::size_t n = aRecords.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::string label = ItemLabel(n, i);
    if (i < aMissing.size() && aMissing[i]) {
      complete = false;
      aRun.Log(aRun.Prefix + label + aMissingText, true);
    } else if (!aOne(label, aRecords[i])) {
      complete = false;
    }
    if (aRun.ExitSeen()) {
      if (i + 1 < n) {
        complete = false;
        aRun.Log(aRun.Prefix + label + StepName(aRun) + "还未处理完停止了传输", true);
      }
      break;
    }
  }
  return complete;
}

// The line of a record skipped for values the database cannot hold; the page may still count
// as complete (true).
bool LogSkipped(const TPullRun& aRun, const std::string& aLabel, const std::string& aKey) {
  aRun.Log(aRun.Prefix + aLabel + "记录[" + aKey + "]的数据不符合数据库字段，已跳过", true);
  return true;
}

// After a record failed to store: a record the database refuses for its own values (too long
// for a column, no number, no date) would fail on every run and hold the checkpoint for good,
// so it is logged as skipped and the page may still count as complete (true). Any other
// failure keeps the page incomplete (false) and the record comes again.
[[nodiscard]] bool SkipUnstorable(const TPullRun& aRun, const std::string& aLabel, const std::string& aKey) {
  if (aRun.Conn == nullptr || !aRun.Conn->LastErrorIsData()) return false;
  return LogSkipped(aRun, aLabel, aKey);
}

// A key holding a NUL could be stored, but no hand-over could ever carry it: exec takes only
// constants, and such a key can be written only as an expression. Stored, the record would sit
// in the agent's table for good, so it is refused before the store, like a value the database
// cannot hold.
[[nodiscard]] bool KeyCanBeHandedOver(const std::string& aKey) { return aKey.find('\0') == std::string::npos; }

// Called right before the store that SkipUnstorable may judge.
void ForgetLastError(const TPullRun& aRun) {
  if (aRun.Conn != nullptr) aRun.Conn->ClearLastError();
}

// The texts and rules in which the two order pulls differ.
struct TOrderKind {
  const char* Source;      // sheet_source of the stored header
  const char* SkipOrder;   // between the start date and the sheet number of a skipped order
  const char* Tip;         // head of the new-order tip
  const char* SaveFailed;  // before "[" + sheet number + "]：" + reason
  const char* PostOk;      // before the sheet number
  const char* PostFailed;  // before the reason
  bool MarkDownload;       // SvrDownloadState is 1 while the order is stored and handed over
};

constexpr TOrderKind kPosOrder{"0",
                               "】，订单[",
                               "有新的自助收银订单：",
                               "保存销售订单失败",
                               "销售订单已同步到收银软件：",
                               "销售订单同步到收银软件失败：",
                               true};
constexpr TOrderKind kAppletOrder{
    "1", "】，微信订单[", "有新的微信小程序订单：", "保存订单失败", "同步订单成功：", "同步订单失败：", false};

// SvrDownloadState 1 for the life of the object when asked, 0 again on every way out.
class TDownloadMark {
 public:
  explicit TDownloadMark(bool aOn) : FOn(aOn) {
    if (FOn) AppDM->SetSvrDownloadState(1);
  }
  ~TDownloadMark() {
    if (FOn) AppDM->SetSvrDownloadState(0);
  }
  TDownloadMark(const TDownloadMark&) = delete;
  TDownloadMark& operator=(const TDownloadMark&) = delete;

 private:
  const bool FOn;
};

// The start-date filter: false for an order dated no later than the start of PullStartDate's
// day while the filter is on (a start date after 2015-01-01). An empty date is always taken;
// one that is no date-time counts as the zero date.
[[nodiscard]] bool OrderTaken(const std::string& aDateText) {
  const TDateTime start = AppVar->PullStartDate.v();
  if (aDateText.empty() || !(start > EncodeDate(2015, 1, 1))) return true;
  TDateTime orderDate = 0.0;
  if (!TryStrToDateTime(aDateText, orderDate)) orderDate = 0.0;
  return orderDate > DateOf(start);
}

// One order of either order pull. An order without header is offered to the store like any
// other, which refuses it ("销售主表有误"): the page stays incomplete and the checkpoint stays.
[[nodiscard]] bool PullOneOrder(const TPullRun& aRun, const TOrderKind& aKind, const TOnTips& aOnTips,
                                const std::string& aLabel, TPosData& aOrder, bool& aSkipLogged) {
  const TPosMaster* master = aOrder.pos_master.get();
  const std::string sheetNo = master ? master->Get<"sheet_no">() : std::string();
  const int softId = master ? master->Get<"softid">() : 0;
  const std::string dateText = master ? TrimControls(master->Get<"oper_date">()) : std::string();

  if (!OrderTaken(dateText)) {
    if (!aSkipLogged) {
      aSkipLogged = true;
      aRun.Log(aRun.Prefix + aLabel + "*已设置【订单开始拉取时间：" +
                   FormatDateTime("yyyy-MM-dd", AppVar->PullStartDate.v()) + aKind.SkipOrder + sheetNo + "][" +
                   dateText + "]不同步！！",
               true);
    }
    return true;
  }

  if (!KeyCanBeHandedOver(sheetNo)) {
    aRun.Log(aRun.Prefix + aLabel + aKind.SaveFailed + "[" + sheetNo + "]：单号含有空字符，无法转入收银软件", true);
    return LogSkipped(aRun, aLabel, sheetNo);
  }

  const TDownloadMark mark(aKind.MarkDownload);
  SetStep(aRun, "判断订单");
  // Whether the order is new is asked before it is stored, but the tip is raised only once it
  // is stored: an order whose store fails would otherwise be announced again on every run.
  const bool wantTip = master && AppVar->IsNewOrderTips.v() == 1 && aOnTips && softId == AppVar->SoftId.v() &&
                       !AppDM->ExistsPosData(softId, sheetNo, aRun.Conn);

  SetStep(aRun, "保存订单");
  std::string reason;
  ForgetLastError(aRun);
  if (!AppDM->SavePosData2(reason, aKind.Source, &aOrder, aRun.Conn)) {
    aRun.Log(aRun.Prefix + aLabel + aKind.SaveFailed + "[" + sheetNo + "]：" + reason, true);
    return SkipUnstorable(aRun, aLabel, sheetNo);
  }
  if (wantTip) aOnTips(1, std::string(aKind.Tip) + "\r\n" + sheetNo);

  SetStep(aRun, "同步订单");
  reason.clear();
  if (AppDM->SoftPostData(reason, softId, sheetNo, aRun.Conn) == 1)
    aRun.Log(aRun.Prefix + aLabel + aKind.PostOk + sheetNo, true);
  else
    aRun.Log(aRun.Prefix + aLabel + aKind.PostFailed + reason, true);
  return true;
}

// What tells apart the two pulls that continue from a date.
struct TDatePull {
  const char* Type;     // checkpoint type
  const char* Table;    // checkpoint table name
  const char* Tag;      // head of the log lines, "[拉取2]" or "[拉取会员]"
  const char* Fetched;  // head of the line that counts the page, "拉取到订单" or "拉取到会员"
  const char* Records;  // the record array under oResult
  bool WxAppNames;      // the reply names the order members pos_wxapp_*
  const char* Missing;  // the text of a missing record
};

// One run of a pull that continues from a date: read the checkpoint, ask for the page after it,
// read the reply, hand each record of aRecords(result) to aOne, and move the checkpoint to the
// reply's update time once the whole page was stored. aStep names the step for the error lines.
template <class TRespond, class TRequest, class TRecords, class TOne>
void RunDatePull(TPullRun& aRun, std::string& aStep, const TDatePull& aPull, TRequest&& aRequest, TRecords&& aRecords,
                 TOne&& aOne) {
  TDateTime lastDate = 0.0;
  if (!ReadDateCheckpoint(aRun, aPull.Type, aPull.Table, aPull.Tag, lastDate)) return;
  aRun.Prefix = std::string(aPull.Tag) + "[" + TvqLib::GetFormat(lastDate) + "]";

  aStep = "请求数据";
  std::string reply;
  if (!RequestPage(
          aRun, [&](std::string& aReply) { return aRequest(lastDate, aReply); }, reply))
    return;
  if (reply.empty()) return;

  try {
    aStep = "解析数据";
    TRespond respond;
    std::string erro;
    std::vector<bool> missing;
    if (!ReadPullReply(reply, aPull.Records, aPull.WxAppNames, respond, missing, erro)) {
      aRun.Log(aRun.Prefix + aStep + "出错：" + erro + "，返回数据：" + reply, false);
      return;
    }
    if (!respond.bResult || !respond.oResult) {
      LogRefusal(aRun, respond, true);
      return;
    }
    auto& result = *respond.oResult;
    TDateTime newDate = lastDate;
    if (!TryStrToDateTime(result.update_time, newDate)) newDate = lastDate;
    auto& records = aRecords(result);
    if (records.empty()) {
      aRun.Log(aRun.Prefix + "无数据", false);
      aRun.Log("", false);
      return;
    }
    aRun.Log(aRun.Prefix + aPull.Fetched + "[拉取时间：" + FormatDateTime("yyyy-MM-dd hh:mm:ss", lastDate) +
                 "，服务器最大时间：" + FormatDateTime("yyyy-MM-dd hh:mm:ss", newDate) + "]" + "，共：" +
                 std::to_string(records.size()) + "条",
             false);

    aStep = "存储数据";
    if (ProcessPage(aRun, records, missing, aPull.Missing, aOne)) {
      std::string reason;
      if (!AppDM->SetTransRecord(reason, aPull.Type, aPull.Table, 0, newDate, aRun.Conn))
        aRun.Log(aRun.Prefix + "更新传输时间[" + TvqLib::GetFormat(newDate) + "]失败：" + reason, true);
    }
  } catch (const std::exception& e) {
    aRun.Log(aRun.Prefix + aStep + "出错：" + e.what(), true);
  }
  aRun.Log("", false);
}

}  // namespace

void TUploadWorker::PullPosOrders() {
  TPullRun run;
  run.Log = [this](const std::string& aText, bool aIsLog) { Log(aText, aIsLog); };
  run.ExitSeen = [this] { return ExitSeen(); };
  run.Conn = &FConn;

  int lastChange = 0;
  if (!ReadChangeCheckpoint(run, "POS", "spf_pos_data", "[拉取1]", lastChange)) return;
  run.Prefix = "[拉取1][" + std::to_string(lastChange) + "]";

  const int softId = AppVar->SoftId.v();
  const std::string branchNo = PullBranchNo();
  const int pageSize = AppVar->PullPageSize.v();
  std::string reply;
  if (!RequestPage(
          run,
          [&](std::string& aReply) { return SpfSvrSDK->DownloadPOS1(softId, branchNo, pageSize, lastChange, aReply); },
          reply))
    return;
  if (reply.empty()) return;

  try {
    TPosRespond respond;
    std::string erro;
    std::vector<bool> missing;
    if (!ReadPullReply(reply, "posResult", false, respond, missing, erro)) {
      Log(run.Prefix + "解析返回数据出错：" + erro + "，返回数据：" + reply);
      return;
    }
    if (!respond.bResult || !respond.oResult) {
      LogRefusal(run, respond, false);
      return;
    }
    TPosResult& result = *respond.oResult;
    const int newChange = result.last_change;
    if (result.posResult.empty()) {
      Log(run.Prefix + "无数据");
      Log("");
      return;
    }
    const std::size_t n = result.posResult.size();
    Log(run.Prefix + "拉取到订单[当前页：" + std::to_string(result.last_change) + "，服务器：" +
        std::to_string(result.ser_last_change) + "]" + "，共：" + std::to_string(n) + "条");

    bool skipLogged = false;
    const bool complete =
        ProcessPage(run, result.posResult, missing, kMissingOrder, [&](const std::string& aLabel, TPosData& aOrder) {
          return PullOneOrder(run, kPosOrder, FOnTips, aLabel, aOrder, skipLogged);
        });
    if (complete) {
      std::string reason;
      if (!AppDM->SetTransRecord(reason, "POS", "spf_pos_data", newChange, Now(), &FConn))
        Log(run.Prefix + "更新传输标记[" + std::to_string(newChange) + "]失败：" + reason, true);
    }
  } catch (const std::exception& e) {
    Log(run.Prefix + "销售订单出错：" + e.what(), true);
  }
  Log("");
}

void TUploadWorker::PullAppletOrders() {
  std::string step = "销售订单";
  TPullRun run;
  run.Log = [this](const std::string& aText, bool aIsLog) { Log(aText, aIsLog); };
  run.ExitSeen = [this] { return ExitSeen(); };
  run.Conn = &FConn;
  run.Step = &step;

  const int softId = AppVar->SoftId.v();
  const std::string branchNo = PullBranchNo();
  const int pageSize = AppVar->PullPageSize.v();
  bool skipLogged = false;
  RunDatePull<TPosRespond2>(
      run, step, {"POS", "wxp_pos_data", "[拉取2]", "拉取到订单", "wxposResult", true, kMissingOrder},
      [&](TDateTime aLastDate, std::string& aReply) {
        return SpfSvrSDK->DownloadPOS2(softId, branchNo, pageSize, aLastDate, aReply);
      },
      [](TPosResult2& aResult) -> std::vector<TPosData>& { return aResult.wxposResult; },
      [&](const std::string& aLabel, TPosData& aOrder) {
        return PullOneOrder(run, kAppletOrder, FOnTips, aLabel, aOrder, skipLogged);
      });
}

void TUploadWorker::PullVipInfo() {
  std::string step = "会员信息";
  TPullRun run;
  run.Log = [this](const std::string& aText, bool aIsLog) { Log(aText, aIsLog); };
  run.ExitSeen = [this] { return ExitSeen(); };
  run.Conn = &FConn;
  run.Step = &step;

  const int softId = AppVar->SoftId.v();
  const int pageSize = AppVar->PullPageSize.v();
  RunDatePull<TVipRespond>(
      run, step, {"VIP", "wxp_vip_new", "[拉取会员]", "拉取到会员", "vipinfo", false, "会员数据解析有误"},
      [&](TDateTime aLastDate, std::string& aReply) {
        return SpfSvrSDK->DownloadVIP(softId, pageSize, aLastDate, aReply);
      },
      [](TVipResult& aResult) -> std::vector<TVipInfo>& { return aResult.vipinfo; },
      [&](const std::string& aLabel, TVipInfo& aVip) {
        step = "保存会员";
        const std::string vipNo = aVip.Get<"vip_no">();
        if (!KeyCanBeHandedOver(vipNo)) {
          Log(run.Prefix + aLabel + "保存会员" + "失败[" + vipNo + "]：会员号含有空字符，无法转入收银软件", true);
          return LogSkipped(run, aLabel, vipNo);
        }
        std::string reason;
        ForgetLastError(run);
        if (!AppDM->SaveVipInfo(reason, "1", &aVip, &FConn)) {
          Log(run.Prefix + aLabel + "保存会员" + "失败[" + vipNo + "]：" + reason, true);
          return SkipUnstorable(run, aLabel, vipNo);
        }
        step = "同步会员";
        reason.clear();
        if (AppDM->SoftPostVip(reason, aVip.Get<"softid">(), vipNo, &FConn) == 1)
          Log(run.Prefix + aLabel + "同步会员" + "成功：[" + vipNo + "]" + aVip.Get<"vip_name">(), true);
        else
          Log(run.Prefix + aLabel + "同步会员" + "失败：" + reason, true);
        return true;
      });
}

}  // namespace tessaly
