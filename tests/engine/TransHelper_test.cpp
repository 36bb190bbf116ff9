// Filling the placeholders of the catalogue's SQL templates.
#include "engine/TransHelperUtil.h"

#include <gtest/gtest.h>

#include "engine/AppVarUtil.h"
#include "foundation/DateTime.h"

namespace tessaly {
namespace {

class TransHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppVar = &appVar;
    appVar.SoftId.v(1234);
    appVar.SoftVer = "00012";
    appVar.SoftVerName = "店铺's 软件";
    appVar.SvrHost = "10.0.0.8";
    appVar.SvrDBName = "shop'db";
  }
  void TearDown() override { AppVar = nullptr; }

  TAppVar appVar;
};

struct FillCase {
  const char* sql;
  const char* branchNo;
  std::int64_t lastChange;
  const char* expected;
};

// Each placeholder becomes its value (texts as SQL literals, numbers bare), everywhere it occurs,
// with case counting; unknown placeholders stay as written.
TEST_F(TransHelperTest, ReplacesEveryPlaceholder) {
  const TDateTime date = EncodeDateTime({2024, 3, 5, 17, 4, 9, 7});
  const FillCase cases[] = {
      {":softid,:softid", "", 0, "1234,1234"},
      {"b=:branch_no", "00'1", 0, "b='00''1'"},
      {"v=:soft_ver n=:soft_name", "", 0, "v=00012 n=N'店铺''s 软件'"},
      {"c>:last_change", "", -1, "c>-1"},
      {"c>:last_change", "", 9876543210, "c>9876543210"},
      {"d>:last_date", "", 0, "d>'2024-03-05 17:04:09.007'"},
      {":pc_url|:pc_key|:pc_db", "", 0, "'http://10.0.0.8:5555/vqshop'|'7290'|'shop''db'"},
      {":SOFTID :Last_Change :unknown", "", 5, ":SOFTID :Last_Change :unknown"},
      {"", "x", 1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TTransHelper::UploadSqlVarReplace(c.sql, c.branchNo, c.lastChange, date), c.expected) << c.sql;
}

}  // namespace
}  // namespace tessaly
