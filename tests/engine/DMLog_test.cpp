// The database module's own log lines: timing lines only while IsDMSqlLog is on (whatever the
// detail switch), error lines only while detailed logging is on, none for a failed check.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/DMUnit.h"
#include "foundation/Clock.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

// "Now" stands still; every tick read moves the tick on by 7 ms, so one statement takes 7 ms.
class StepClock final : public IClock {
 public:
  [[nodiscard]] TDateTime Now() override { return EncodeDateTime({2024, 5, 6, 10, 20, 30, 400}); }
  [[nodiscard]] std::int64_t TickMs() override { return tick_ += 7; }
  void SleepMs(int) override {}

 private:
  std::int64_t tick_ = 1000;
};

class DMLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClock(&clock);
    std::string erro;
    ASSERT_TRUE(InitGlobalLogger(erro)) << erro;
    vqtest::WriteFileBytes(dir.file("pkg.db"), "");
    dm.FDConnection.SetParams({"DriverID=SQLite", "Database=" + dir.file("pkg.db")});
  }
  void TearDown() override {
    FreeGlobalLogger();
    SetClock(nullptr);
    IsDMSqlLog = false;
    TvqLib::DetailLogEnabled = savedDetail;
  }

  // Starts an empty log file.
  void FreshLog() {
    FreeGlobalLogger();
    std::filesystem::remove_all(dir.file("log"));
    std::string erro;
    ASSERT_TRUE(InitGlobalLogger(erro)) << erro;
  }

  void Switches(bool sqlLog, bool detail) {
    IsDMSqlLog = sqlLog;
    TvqLib::DetailLogEnabled = detail;
  }

  // The log file's text after the empty start line.
  std::string LogText() {
    for (const auto& e : std::filesystem::directory_iterator(dir.file("log"))) {
      std::string text = vqtest::ReadFileBytes(e.path().string());
      return text.rfind("\r\n", 0) == 0 ? text.substr(2) : text;
    }
    return {};
  }

  vqtest::TempProgramDir dir;
  StepClock clock;
  TDM dm;
  std::string reason;
  const bool savedDetail = TvqLib::DetailLogEnabled.load();
};

struct SwitchCase {
  bool sqlLog;
  bool detail;
};

const SwitchCase kSwitches[] = {{false, false}, {false, true}, {true, false}, {true, true}};

// A statement that succeeds logs its timing line with the clock's elapsed milliseconds while
// IsDMSqlLog is on, whatever the detail switch; nothing otherwise.
TEST_F(DMLogTest, TimingLineOnlyWhileSqlLogIsOn) {
  for (const auto& s : kSwitches) {
    FreshLog();
    Switches(s.sqlLog, s.detail);
    ASSERT_TRUE(dm.SqlExec(reason, "create table if not exists 表(x int)")) << reason;
    TDbQuery qry;
    ASSERT_TRUE(dm.SqlOpen(reason, qry, "select x from 表")) << reason;
    const std::string expected = s.sqlLog ? "10:20:30.400 [DM]SqlExec[7]：create table if not exists 表(x int)\r\n"
                                            "10:20:30.400 [DM]SqlOpen[7]：select x from 表\r\n"
                                          : "";
    EXPECT_EQ(LogText(), expected) << "sqlLog=" << s.sqlLog << " detail=" << s.detail;
  }
}

// A statement that fails logs the error line (message, CR LF, SQL) only while detailed logging
// is on, and never a timing line.
TEST_F(DMLogTest, ErrorLineOnlyWhileDetailLogIsOn) {
  for (const auto& s : kSwitches) {
    FreshLog();
    Switches(s.sqlLog, s.detail);
    EXPECT_FALSE(dm.SqlExec(reason, "insert into nowhere values(1)"));
    const std::string execMessage = reason;
    TDbQuery qry;
    EXPECT_FALSE(dm.SqlOpen(reason, qry, "select * from nowhere"));
    const std::string openMessage = reason;
    const std::string expected =
        s.detail ? "10:20:30.400 [DM]SqlExec ERRO：" + execMessage + "\r\ninsert into nowhere values(1)\r\n" +
                       "10:20:30.400 [DM]SqlOpen ERRO：" + openMessage + "\r\nselect * from nowhere\r\n"
                 : "";
    EXPECT_EQ(LogText(), expected) << "sqlLog=" << s.sqlLog << " detail=" << s.detail;
  }
}

// A connection check that fails writes no line at all, even with both switches on.
TEST_F(DMLogTest, FailedCheckLogsNothing) {
  Switches(true, true);
  dm.FDConnection.SetParams({"DriverID=SQLite", "Database=" + dir.file("missing/none.db")});
  EXPECT_FALSE(dm.SqlExec(reason, "create table t(x int)", nullptr, true));
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "select 1"));
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace tessaly
