// What reading one pull reply costs in memory, on the pull's own road: the platform client
// receives the page and logs it whole (detailed logging is on, as after start-up), and the page
// is read into its records. This program counts its heap (tests/support/heap_counter); the
// fake platform and its threads are the rig's and not counted.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "HeapCounter.h"
#include "engine/AppObjectsUtil.h"
#include "engine/AppPullReply.h"
#include "engine/AppSvrSDK.h"
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

TEST(PullReplyMemory, PageIsReadWithinFourTimesItsSize) {
  std::setlocale(LC_ALL, "C.UTF-8");
  MachineRootFixture machine;
  std::unique_ptr<FakePlatformServer> server;
  std::string page;
  {
    const TRigScope rig;
    page = FullAppletPage(kPageBytes);
    server = std::make_unique<FakePlatformServer>();
    server->KeepOnlyCounts(true);
    server->SetDefault(kWxPath, FakeReply::Json(page));
  }
  WriteFileBytes(machine.programDir() + "Tessaly.ini", "[SPFClient]\r\nSpfHostUrl=" + server->baseUrl() + "\r\n");
  tessaly::NetClientMode = 0;
  tessaly::TLogger logger;
  logger.SetLogFilenamePer("Tessaly");
  logger.SetEnabled(true);
  tessaly::Logger.store(&logger);
  tessaly::TvqLib::DetailLogEnabled = true;
  const tessaly::TVqSpfSvrSDK sdk;

  bool received = false;
  bool read = false;
  std::size_t orders = 0;
  std::string erro;
  const std::int64_t before = AgentHeap().Live;
  ResetAgentPeak();
  {
    std::string reply;
    received = sdk.DownloadPOS2(5, "", 10000, 0.0, reply);
    tessaly::TPosRespond2 respond;
    std::vector<bool> missing;
    read = tessaly::ReadPullReply(reply, "wxposResult", true, respond, missing, erro);
    if (respond.oResult) orders = respond.oResult->wxposResult.size();
  }
  const std::int64_t peak = AgentHeap().Peak - before;

  tessaly::Logger.store(nullptr);
  tessaly::TvqLib::DetailLogEnabled = false;
  tessaly::NetClientMode = 1;
  ASSERT_TRUE(received);
  ASSERT_TRUE(read) << erro;
  EXPECT_EQ(orders, FullAppletOrders(page));
  EXPECT_LE(peak, static_cast<std::int64_t>(4 * page.size()))
      << "peak " << peak / (1 << 20) << " MB for a page of " << page.size() / (1 << 20) << " MB";
}

}  // namespace
}  // namespace vqtest
