#pragma once
// The puller's world for the pull tests: the worker fixture plus reply builders for the three
// pull endpoints, a record of the tips, and a way to let the puller work off scripted replies.
//
// Each path answers "no data" by default, which leaves checkpoints and tables alone, so a run
// after the scripted ones is harmless: RunPuller waits for that run's request, which proves that
// every scripted run has ended, and then frees the worker.
#include <gtest/gtest.h>

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/PlatformReplies.h"
#include "support/WorkerFixture.h"

namespace vqtest {

// Faults a run meets, and how many requests each one takes.
enum class Fault {
  Status500,
  Close,
  NonJson,
  Refused,
  RefusedEmpty,
  StoreFails,
  ProcedureFails,
  RetryRecovers,
  DeepNesting
};

struct FaultCase {
  Fault fault;
  bool checkpointMoves;
  std::string logPart;  // a line holding this text is logged
};

inline std::string FaultName(const ::testing::TestParamInfo<FaultCase>& info) {
  static const char* const names[] = {"Status500",  "Close",          "NonJson",      "Refused",
                                      "RefusedEmpty", "StoreFails", "ProcedureFails", "RetryRecovers",
                                      "DeepNesting"};
  return names[static_cast<int>(info.param.fault)];
}

class PullsFixture : public WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    // Each test switches on the pulls it looks at.
    appVar.DBDistributed = 2;
    appVar.PullSelfCollect.v(false);
    appVar.PullWXApplet.v(false);
    appVar.PullPageSize.v(10);
    server.SetDefault(kPosPath, FakeReply::Json(PosReply(0, {})));
    server.SetDefault(kWxPath, FakeReply::Json(AppletReply("", {})));
  }

  // Starts the puller, lets it work until `path` has taken `requests` more requests and the one
  // of the following run, then frees it.
  void RunPuller(const std::string& path, std::size_t requests) {
    const std::size_t target = server.RequestsTo(path).size() + requests + 1;
    AddWorker(true, [this](int type, const std::string& text) { OnTip(type, text); });
    appVar.UploadState.v(tessaly::TUploadState::StartRequested);
    ASSERT_TRUE(WaitUntil([&] { return server.RequestsTo(path).size() >= target; })) << LogTail();
    workers.clear();
    appVar.UploadState.v(tessaly::TUploadState::Stopped);
  }

  // The last log lines, for a failure message.
  [[nodiscard]] std::string LogTail(std::size_t count = 40) const {
    const auto lines = logView->Lines();
    std::string out;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
      out += lines[i] + "\n";
    return out;
  }

  // Scripts `fault` around the good page `page` on `path`; the number of requests it takes.
  std::size_t Arrange(Fault fault, const std::string& path, const std::string& page, const std::string& storeLike,
                      const std::string& proc) {
    switch (fault) {
      case Fault::Status500:
        for (int i = 0; i < 3; ++i) server.Enqueue(path, FakeReply::Status(500));
        return 3;
      case Fault::Close:
        for (int i = 0; i < 3; ++i) server.Enqueue(path, FakeReply::CloseWithoutAnswer());
        return 3;
      case Fault::NonJson:
        server.Enqueue(path, FakeReply::NonJson());
        return 1;
      case Fault::Refused:
        server.Enqueue(path, FakeReply::Json("{\"bResult\":false,\"errMsg\":\"账号已停用\"}"));
        return 1;
      case Fault::RefusedEmpty:
        server.Enqueue(path, FakeReply::Json("{\"bResult\":false,\"errMsg\":\"\"}"));
        return 1;
      case Fault::StoreFails:
        db.FailStatements(storeLike, "disk full");
        server.Enqueue(path, FakeReply::Json(page));
        return 1;
      case Fault::ProcedureFails:
        db.FailProcedure(proc, "库存不足");
        server.Enqueue(path, FakeReply::Json(page));
        return 1;
      case Fault::RetryRecovers:
        server.Enqueue(path, FakeReply::Status(500));
        server.Enqueue(path, FakeReply::Json(page));
        return 2;
      case Fault::DeepNesting: {
        // The whole page, plus one member nested far deeper than a stack can follow.
        constexpr std::size_t kDepth = 200000;
        const std::string deep = std::string(kDepth, '[') + std::string(kDepth, ']');
        server.Enqueue(path, FakeReply::Json("{\"deep\":" + deep + "," + page.substr(1)));
        return 1;
      }
    }
    return 0;
  }

  // The request JSON of the `index`-th request to `path` (negative: from the end).
  [[nodiscard]] nlohmann::json RequestJson(const std::string& path, int index) const {
    const auto requests = server.RequestsTo(path);
    const std::size_t at = index < 0 ? requests.size() + index : static_cast<std::size_t>(index);
    if (at >= requests.size()) return nlohmann::json();
    return nlohmann::json::parse(requests[at].field("json"), nullptr, false);
  }

  [[nodiscard]] std::optional<std::string> CheckpointDate(const std::string& type, const std::string& table) {
    return db.Value("select last_date from spf_t_trans_record where softid=5 and trans_type='" + type +
                    "' and table_name='" + table + "'");
  }
  [[nodiscard]] int Rows(const std::string& table, const std::string& where = "1=1") {
    return std::stoi(db.Value("select count(*) from " + table + " where " + where).value_or("-1"));
  }
  // The arguments of the committed calls of `proc`, in order.
  [[nodiscard]] std::vector<std::string> Calls(const std::string& proc) {
    std::vector<std::string> out;
    for (const auto& call : db.ExecLog())
      if (call.proc == proc) out.push_back(call.args);
    return out;
  }
  [[nodiscard]] std::vector<std::pair<int, std::string>> Tips() {
    std::lock_guard<std::mutex> guard(tipsLock_);
    return tips_;
  }

  // Called on the worker's thread with every tip; the default records it.
  virtual void OnTip(int type, const std::string& text) {
    std::lock_guard<std::mutex> guard(tipsLock_);
    tips_.emplace_back(type, text);
  }

 private:
  std::mutex tipsLock_;
  std::vector<std::pair<int, std::string>> tips_;  // guarded by tipsLock_
};

}  // namespace vqtest
