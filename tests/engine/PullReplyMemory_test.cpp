// What reading one pull reply costs in memory, on the pull's own road: the platform client
// receives the page and logs it whole (detailed logging is on, as after start-up, and the line
// goes to the file and to the view), and the page is read into its records. This program counts its heap
// (tests/support/heap_counter); the fake platform and its threads are the rig's and not counted.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "HeapCounter.h"
#include "engine/AppObjectsUtil.h"
#include "engine/AppPullReply.h"
#include "engine/AppSvrSDK.h"
#include "foundation/LogView.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/FakePlatformServer.h"
#include "support/FullPullPage.h"
#include "support/MachineRootFixture.h"
#include "support/PlatformReplies.h"
#include "support/TempDir.h"

namespace vqtest {
namespace {

using tessaly::bench::AgentHeap;
using tessaly::bench::ResetAgentPeak;
using tessaly::bench::TRigScope;

constexpr std::size_t kPageBytes = 24u << 20;

// The main window's view as the logger sees it: it takes every line and, like the memo's line
// count, keeps none (the memo's own text is the window's, not the road's).
class TDroppingView : public tessaly::ILogView {
 public:
  [[nodiscard]] bool IsMemo() const override { return true; }
  [[nodiscard]] std::string ClassName() const override { return "TMemo"; }
  void QueueLine(const std::string&) override {}
};

struct TPeak {
  bool Received = false;
  bool Read = false;
  std::size_t Orders = 0;
  std::string Erro;
  std::int64_t Bytes = 0;  // the agent's peak heap above what it held before
};

// One pull of `page` on the whole road, from the request to the records.
TPeak PullOnce(const std::string& page) {
  MachineRootFixture machine;
  std::unique_ptr<FakePlatformServer> server;
  {
    const TRigScope rig;
    server = std::make_unique<FakePlatformServer>();
    server->KeepOnlyCounts(true);
    server->SetDefault(kWxPath, FakeReply::Json(page));
  }
  WriteFileBytes(machine.programDir() + "Tessaly.ini", "[SPFClient]\r\nSpfHostUrl=" + server->baseUrl() + "\r\n");
  tessaly::NetClientMode = 0;
  tessaly::TLogger logger;
  logger.SetLogFilenamePer("Tessaly");
  logger.SetEnabled(true);
  logger.SetLogShower(std::make_shared<TDroppingView>());
  tessaly::Logger.store(&logger);
  tessaly::TvqLib::DetailLogEnabled = true;
  const tessaly::TVqSpfSvrSDK sdk;

  TPeak out;
  const std::int64_t before = AgentHeap().Live;
  ResetAgentPeak();
  {
    std::string reply;
    out.Received = sdk.DownloadPOS2(5, "", 10000, 0.0, reply);
    tessaly::TPosRespond2 respond;
    std::vector<bool> missing;
    out.Read = tessaly::ReadPullReply(reply, "wxposResult", true, respond, missing, out.Erro);
    if (respond.oResult) out.Orders = respond.oResult->wxposResult.size();
  }
  out.Bytes = AgentHeap().Peak - before;

  tessaly::Logger.store(nullptr);
  tessaly::TvqLib::DetailLogEnabled = false;
  tessaly::NetClientMode = 1;
  return out;
}

// A page is received, logged whole and read into its records within a few times its size,
// however little each order carries: order-shaped pages within 4 times, the smallest orders
// within 8 times.
TEST(PullReplyMemory, PageIsReadWithinAFewTimesItsSize) {
  std::setlocale(LC_ALL, "C.UTF-8");
  const struct {
    TOrderShape shape;
    const char* name;
    double bound;
  } cases[] = {
      {TOrderShape::Full, "full orders", 4.0},
      {TOrderShape::Typical, "typical orders", 4.0},
      {TOrderShape::Small, "small orders", 8.0},
      {TOrderShape::SheetOnly, "sheet numbers only", 8.0},
  };
  for (const auto& c : cases) {
    std::string page;
    {
      const TRigScope rig;
      page = AppletPage(c.shape, kPageBytes);
    }
    const TPeak peak = PullOnce(page);
    ASSERT_TRUE(peak.Received) << c.name;
    ASSERT_TRUE(peak.Read) << c.name << ": " << peak.Erro;
    EXPECT_EQ(peak.Orders, FullAppletOrders(page)) << c.name;
    const double times = static_cast<double>(peak.Bytes) / static_cast<double>(page.size());
    std::printf("%s: peak %.1f MB for a page of %.1f MB (%.2f times), %zu orders, %.0f B an order\n", c.name,
                peak.Bytes / 1048576.0, page.size() / 1048576.0, times, peak.Orders,
                static_cast<double>(peak.Bytes) / static_cast<double>(peak.Orders));
    EXPECT_LE(times, c.bound) << c.name << ": peak " << peak.Bytes / (1 << 20) << " MB for a page of "
                              << page.size() / (1 << 20) << " MB";
  }
}

}  // namespace
}  // namespace vqtest
