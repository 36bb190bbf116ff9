#pragma once
// Shared fixture of the database module's tests: a back-office database on the T-SQL test
// driver (through unixODBC) with the agent's fixture schema, a settings-and-state object, a
// program folder, and a capture of the SQL texts the module sends (its timing log lines).
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "support/AgentSchema.h"
#include "support/MachineRootLog.h"
#include "support/TempDir.h"
#include "support/TestDbParams.h"
#include "support/TestOdbc.h"

namespace tessaly {

class AppDMFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    AppVar = &appVar;
    appVar.SoftId.v(5);
    appVar.SoftVer = "00012";
    vqtest::ApplyAgentSchema(db);
    dm.FDConnection.SetParams(MainParams());
  }

  void TearDown() override {
    AppVar = nullptr;
    IsDMSqlLog = false;
  }

  [[nodiscard]] TDbParams MainParams() const {
    return vqtest::TestDriverParams(db.DatabasePath());
  }

  // Runs `op` with SQL logging on and returns the statements that succeeded, in order.
  std::vector<std::string> SqlSent(const std::function<void()>& op) {
    std::filesystem::remove_all(dir.file("log"));
    std::string text;
    {
      vqtest::MachineRootLog log(false);
      IsDMSqlLog = true;
      op();
      IsDMSqlLog = false;
      text = log.Text();
    }
    return StatementsOf(text);
  }

  // The log text of `op` with detailed logging on.
  std::string DetailLog(const std::function<void()>& op) {
    std::filesystem::remove_all(dir.file("log"));
    vqtest::MachineRootLog log(true);
    op();
    return log.Text();
  }

  // The SQL of every "[DM]SqlExec[ms]：" and "[DM]SqlOpen[ms]：" line; a line ends where the
  // next log line's time stamp begins.
  static std::vector<std::string> StatementsOf(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 13 <= text.size(); ++i) {
      if (i != 0 && (i < 2 || text.compare(i - 2, 2, "\r\n") != 0)) continue;
      if (IsStamp(text, i)) starts.push_back(i);
    }
    std::vector<std::string> out;
    for (std::size_t k = 0; k < starts.size(); ++k) {
      const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
      std::string entry = text.substr(starts[k] + 13, end - starts[k] - 13);
      if (entry.size() >= 2 && entry.compare(entry.size() - 2, 2, "\r\n") == 0) entry.resize(entry.size() - 2);
      if (entry.rfind("[DM]SqlExec[", 0) != 0 && entry.rfind("[DM]SqlOpen[", 0) != 0) continue;
      const std::size_t colon = entry.find("]：");
      if (colon != std::string::npos) out.push_back(entry.substr(colon + std::string("]：").size()));
    }
    return out;
  }

  vqtest::TempProgramDir dir;
  vqtest::TestOdbc db;
  TAppVar appVar;
  TAppDM dm;
  std::string reason;

 private:
  // "hh:nn:ss.zzz "
  static bool IsStamp(const std::string& t, std::size_t i) {
    static const char kShape[] = "dd:dd:dd.ddd ";
    for (std::size_t k = 0; k < 13; ++k) {
      const char c = t[i + k];
      if (kShape[k] == 'd' ? (c < '0' || c > '9') : c != kShape[k]) return false;
    }
    return true;
  }
};

}  // namespace tessaly
