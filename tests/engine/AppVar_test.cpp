#include <gtest/gtest.h>

#include <string>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"

namespace tessaly {
namespace {

// The product-code table: mode, family (or the current one kept) and default database name,
// with exact comparison of the codes.
TEST(AppVar, ProductCodeTable) {
  struct Case {
    const char* code;
    int mode;
    int modelFrom0;
    int modelFrom3;
    const char* dbName;
  };
  const Case cases[] = {
      {"00012", 0, 1, 1, "vqhalvik_01"},
      {"00008", 0, 1, 1, "vqcorvath_01"},
      {"00009", 0, 0, 3, "vqcorvath_01"},
      {"00029", 1, 2, 2, ""},
      {"00039", 1, 2, 2, ""},
      {"00050", 2, 2, 2, ""},
      {"00040", 2, 2, 2, ""},
      {"", 0, 0, 3, ""},
      {"00013", 0, 0, 3, ""},
      {"0029", 0, 0, 3, ""},
      {" 00029", 0, 0, 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("code '") + c.code + "'");
    EXPECT_EQ(SoftVerDBMode(c.code), c.mode);
    EXPECT_EQ(TSPfApp::GetDBMode(c.code), c.mode);
    EXPECT_EQ(SoftVerModel(c.code, 0), c.modelFrom0);
    EXPECT_EQ(SoftVerModel(c.code, 3), c.modelFrom3);
    EXPECT_EQ(SoftVerDefDBName(c.code), c.dbName);
  }
}

// OnSoftVerChanged touches SoftModel only, from the current SoftVer.
TEST(AppVar, OnSoftVerChangedSetsFamilyOnly) {
  TAppVar var;
  AppVar = &var;
  var.SoftModel = 3;
  var.DBMode = 2;
  var.SoftVer = "00008";
  TSPfApp::OnSoftVerChanged();
  EXPECT_EQ(var.SoftModel, 1);
  EXPECT_EQ(var.DBMode, 2);
  var.SoftVer = "99999";
  TSPfApp::OnSoftVerChanged();
  EXPECT_EQ(var.SoftModel, 1);
  AppVar = nullptr;
}

// A new object starts with the holders' defaults that the workers rely on before any load.
TEST(AppVar, InitialValues) {
  const TAppVar var;
  EXPECT_EQ(var.UploadWaitTime.v(), 60);
  EXPECT_EQ(var.DownloadWaitTime.v(), 10);
  EXPECT_EQ(var.UploadPageSize.v(), 20);
  EXPECT_EQ(var.PullPageSize.v(), 20);
  EXPECT_EQ(var.IsNewOrderTips.v(), 1);
  EXPECT_TRUE(var.PullSelfCollect.v());
  EXPECT_FALSE(var.PullWXApplet.v());
  EXPECT_EQ(var.UploadState.v(), TUploadState::Stopped);
  EXPECT_EQ(var.IsExitApp.v(), 0);
  EXPECT_EQ(var.SoftId.v(), 0);
  EXPECT_EQ(var.BranchNo.v(), "");
  EXPECT_EQ(var.DBDistributed, 0);
  EXPECT_FALSE(var.SvrUseWSDL);
  EXPECT_FALSE(var.SvrVIPConnOK.v());
  EXPECT_EQ(var.PullStartDate.v(), 0.0);
  EXPECT_EQ(var.VipIntegralList.Count(), 0);
}

}  // namespace
}  // namespace tessaly
