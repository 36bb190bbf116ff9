// Which catalogue rows the uploader may send, by type, edition, branch and member settings, as
// the cycle's detail listing shows them.
#include <gtest/gtest.h>

#include "UploadWorkerFixture.h"

namespace tessaly {
namespace {

struct RulesCase {
  const char* name;
  int distributed;
  const char* branchNo;
  int softModel;
  bool hqTransAll;
  bool vipConnOk;
  int vipFlag;
  const char* listing;
};

// The verdict of every row under each combination of settings.
TEST_F(UploadWorkerTest, CanUploadMatrix) {
  struct Row {
    const char* table;
    const char* type;
    std::optional<int> dist;
  };
  const Row rows[] = {{"a", "BI", 0},  {"b", "BI", 1}, {"c", "BI", 2},           {"d", "BI", std::nullopt},
                      {"e", "CFG", 0}, {"f", "bi", 0}, {"vipintegral", "BI", 0}, {"vip_info", "BI", 0}};
  for (const auto& r : rows) {
    vqtest::CatalogueRow row;
    row.transTable = r.table;
    row.tableName = r.table;
    row.transType = r.type;
    row.softDist = r.dist;
    AddCatalogue(row);
  }
  const RulesCase cases[] = {
      {"edition not read", 0, "0001", 1, false, false, 0,
       "[a](o可上传o), [b](o可上传o), [c](o可上传o), [d](o可上传o), [e](*不可传* Type:CFG,Dist:0,BranchNo:0001), "
       "[f](o可上传o), [vipintegral](o可上传o), [vip_info](o可上传o)"},
      {"head office", 1, "0000", 1, false, false, 0,
       "[a](o可上传o), [b](o可上传o), [c](*不可传* Type:BI,Dist:2,BranchNo:0000), [d](o可上传o), "
       "[e](*不可传* Type:CFG,Dist:0,BranchNo:0000), [f](o可上传o), [vipintegral](o可上传o), [vip_info](o可上传o)"},
      {"head office sending all", 1, "", 2, true, false, 0,
       "[a](o可上传o), [b](o可上传o), [c](o可上传o), [d](o可上传o), [e](*不可传* Type:CFG,Dist:0,BranchNo:0000), "
       "[f](o可上传o), [vipintegral](o可上传o), [vip_info](o可上传o)"},
      {"branch", 2, "12", 1, true, false, 0,
       "[a](o可上传o), [b](*不可传* Type:BI,Dist:1,BranchNo:0012), [c](o可上传o), "
       "[d](*不可传* Type:BI,Dist:1,BranchNo:0012), [e](*不可传* Type:CFG,Dist:0,BranchNo:0012), [f](o可上传o), "
       "[vipintegral](o可上传o), [vip_info](o可上传o)"},
      {"member real-time query", 1, "0000", 1, false, true, 0,
       "[a](o可上传o), [b](o可上传o), [c](*不可传* Type:BI,Dist:2,BranchNo:0000), [d](o可上传o), "
       "[e](*不可传* Type:CFG,Dist:0,BranchNo:0000), [f](o可上传o), "
       "[vipintegral](*不可传* Type:BI,Dist:0,BranchNo:0000), [vip_info](*不可传* Type:BI,Dist:0,BranchNo:0000)"},
      {"no member points", 1, "0000", 1, false, false, 1,
       "[a](o可上传o), [b](o可上传o), [c](*不可传* Type:BI,Dist:2,BranchNo:0000), [d](o可上传o), "
       "[e](*不可传* Type:CFG,Dist:0,BranchNo:0000), [f](o可上传o), "
       "[vipintegral](*不可传* Type:BI,Dist:0,BranchNo:0000), [vip_info](o可上传o)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    logView->Clear();
    appVar.DBDistributed = c.distributed;
    appVar.BranchNo.v(c.branchNo);
    appVar.SoftModel = c.softModel;
    appVar.IsHQBranchTransAll.v(c.hqTransAll);
    appVar.SvrVIPConnOK.v(c.vipConnOk);
    appVar.UploadVipintegralFlag.v(c.vipFlag);
    RunCycle();
    EXPECT_EQ(logView->With("[a](").size(), 1u);
    EXPECT_EQ(logView->Count(std::string("[工作线程] ") + c.listing), 1u)
        << testing::PrintToString(logView->With("[a]("));
  }
}

}  // namespace
}  // namespace tessaly
