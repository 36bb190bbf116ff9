// The engine object's life: what it creates and frees, in which order, its end in the middle of
// an upload cycle, and the hand-over of the workers' tips to the UI.
#include <condition_variable>
#include <deque>
#include <future>
#include <stdexcept>
#include <utility>

#include "SPfAppFixture.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"

namespace tessaly {
namespace {

using SPfAppLife = SPfAppFixture;

// Creation makes the three shared objects and both workers and selects the socket client;
// destruction ends both threads, frees the workers, and leaves no global pointing at freed
// objects.
TEST_F(SPfAppLife, CreatesAndFreesInOrder) {
  app.reset();
  NetClientMode = 1;
  logView->Clear();
  app = std::make_unique<TSPfApp>();
  EXPECT_NE(AppVar, nullptr);
  EXPECT_NE(SpfSvrSDK, nullptr);
  EXPECT_NE(AppDM, nullptr);
  EXPECT_EQ(NetClientMode.load(), 0);
  EXPECT_EQ(logView->Count("[工作线程] 创建成功："), 2u);

  app.reset();
  EXPECT_EQ(AppVar, nullptr);
  EXPECT_EQ(SpfSvrSDK, nullptr);
  EXPECT_EQ(AppDM, nullptr);
  const auto lines = logView->Lines();
  std::vector<std::string> order;
  for (const auto& line : lines)
    for (const char* part : {"工作线程已结束.", "释放成功："})
      if (line.find(part) != std::string::npos) order.push_back(part);
  // Both threads have ended before either worker is freed.
  EXPECT_EQ(order, (std::vector<std::string>{"工作线程已结束.", "工作线程已结束.", "释放成功：", "释放成功："}));
}

// Init starts from enterprise 0 and then reads the settings.
TEST_F(SPfAppLife, InitLoadsTheSettings) {
  WriteIni("", "SoftId=77\r\n");
  AppVar->SoftId.v(3);
  app->Init();
  EXPECT_EQ(AppVar->SoftVer, "00012");
  EXPECT_EQ(AppVar->SoftId.v(), 77);
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
}

// Destroying the engine while the uploader waits for the platform's answer to a page returns
// only after the uploader has seen the end at its next check: the next page is never sent and
// nothing it uses is freed under it.
TEST_F(SPfAppLife, DestroyMidCycleEndsBothThreads) {
  ASSERT_TRUE(db.RunTsql("create table bi_item(item_no varchar(10), max_change int) "
                         "insert into bi_item values('A', 1) insert into bi_item values('B', 2) "
                         "insert into bi_item values('C', 3)"));
  ASSERT_TRUE(db.Exec("insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,"
                      "trans_table,table_name,trans_tag,get_update_sql) values(1,'00012',1,0,'BI','bi_item',"
                      "'bi_item',0,'select item_no, max_change as trans_last_change from bi_item where "
                      "max_change > :last_change order by max_change')"));
  AppVar->UploadPageSize.v(1);
  AppVar->PullSelfCollect.v(false);
  AppVar->DBDistributed = 2;
  server.SetDefault("UpTable.ashx", vqtest::FakeReply::Held("page", Accepted()));

  app->Start(result);
  ASSERT_EQ(result, "");
  ASSERT_TRUE(server.WaitForRequests(1));
  auto destroyed = std::async(std::launch::async, [this] { app.reset(); });
  // Both terminate flags are set at once: the idle puller ends while the uploader still waits for
  // its page, and nothing is freed while a thread runs.
  EXPECT_TRUE(WaitLog("[工作线程] 工作线程已结束."));
  EXPECT_NE(destroyed.wait_for(std::chrono::milliseconds(0)), std::future_status::ready);
  EXPECT_EQ(logView->Count("[工作线程] 释放成功："), 0u);
  server.Release("page");
  destroyed.get();

  EXPECT_EQ(server.RequestsTo("UpTable.ashx").size(), 1u);

  EXPECT_EQ(logView->Count("检测到服务停止/退出，中断传输任务"), 1u);
  EXPECT_EQ(logView->Count("[工作线程] 工作线程已结束."), 2u);
  EXPECT_EQ(AppDM, nullptr);
}

// A sink that queues tips for a UI thread, which runs the handler when the test lets it.
class QueueSink final : public IAppTipsSink {
 public:
  void QueueTip(int aType, const std::string& aTips) override {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.emplace_back(aType, aTips);
    changed_.notify_all();
  }
  // Runs on the UI thread: waits for `count` queued tips and hands them out.
  std::vector<std::pair<int, std::string>> Drain(std::size_t count) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(20), [&] { return queue_.size() >= count; });
    std::vector<std::pair<int, std::string>> out(queue_.begin(), queue_.end());
    queue_.clear();
    return out;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::pair<int, std::string>> queue_;  // guarded by lock_
};

// A tip raised on a worker's thread reaches the sink with its arguments, and DoAppTips returns
// before the UI thread has taken it; the workers' own handler is the engine's.
TEST_F(SPfAppLife, TipsReachTheSinkWithoutWaitingForTheUi) {
  auto sink = std::make_shared<QueueSink>();
  app->SetOnAppTips(sink);
  EXPECT_EQ(app->OnAppTips(), sink);
  std::thread worker([this] {
    app->DoAppTips(1, "新订单：S001");
    app->DoAppTips(1, "新订单：S002");
  });
  worker.join();  // returned although nobody has drained the queue yet
  EXPECT_EQ(sink->Drain(2), (std::vector<std::pair<int, std::string>>{{1, "新订单：S001"}, {1, "新订单：S002"}}));
}

// Without a sink the tip is dropped, not logged; a sink that throws does not reach the worker.
TEST_F(SPfAppLife, TipsWithoutAUsableSink) {
  app->DoAppTips(1, "新订单：S003");
  EXPECT_EQ(logView->Count("新订单：S003"), 0u);

  class Throwing final : public IAppTipsSink {
   public:
    void QueueTip(int, const std::string&) override { throw std::runtime_error("window gone"); }
  };
  app->SetOnAppTips(std::make_shared<Throwing>());
  EXPECT_NO_THROW(app->DoAppTips(1, "新订单：S004"));
  EXPECT_EQ(logView->Count("[APP] 新订单：S004：window gone"), 1u);

  app->SetOnAppTips(nullptr);
  app->DoAppTips(1, "新订单：S005");
  EXPECT_EQ(logView->Count("新订单：S005"), 0u);
}

// The edition texts of the distributed family.
TEST_F(SPfAppLife, DistributedVersionText) {
  const std::pair<int, std::string> cases[] = {{1, "总部版"}, {2, "分部版"}, {0, ""}, {-1, ""}};
  for (const auto& [value, text] : cases) {
    AppVar->DBDistributed = value;
    EXPECT_EQ(TSPfApp::GetDistributedVer(), text) << value;
  }
}

}  // namespace
}  // namespace tessaly
