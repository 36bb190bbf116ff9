#include "support/DemoWorld.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/Registry.h"
#include "support/AgentSchema.h"
#include "support/PlatformReplies.h"
#include "support/UpgradePackage.h"

extern char** environ;

namespace vqtest {
namespace {

namespace fs = std::filesystem;

// Base64 of the database password "test" and of the operator password "123456".
constexpr const char* kDbPasswordBase64 = "dGVzdA==";
constexpr const char* kOperPasswordBase64 = "MTIzNDU2";
constexpr int kSoftId = 5;

void Check(bool ok, const std::string& what, const std::string& error = "") {
  if (!ok) throw std::runtime_error("demo world: " + what + (error.empty() ? "" : ": " + error));
}

FakeReply Accepted() { return FakeReply::Json("{\"bResult\":true,\"errMsg\":\"\",\"oResult\":\"\"}"); }

}  // namespace

DemoWorld::DemoWorld(const std::string& agentFile) {
  ::setenv("VQ_MACHINE_ROOT", machineRoot_.path().c_str(), 1);
  InstallOdbcDrivers();
  RegisterDriverAlias("SQL Server");
  // The autorun entry as the login dialog's box writes it on a 64-bit machine.
  platform::RegKey run;
  Check(platform::RegKey::Create(platform::RegRoot::LocalMachine,
                                 "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                                 platform::RegView::Force64, run) == 0,
        "no Run key");
  Check(run.WriteString("VqSPFTransClient", ProgramDir() + "Tessaly -auto") == 0, "autorun entry");
  WriteProgramFolder(agentFile);
  FillDatabase();
  ScriptPlatform();
}

DemoWorld::~DemoWorld() {
  for (const pid_t pid : started_) {
    if (::waitpid(pid, nullptr, WNOHANG) == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
}

std::string DemoWorld::ProgramDir() const { return programDir_.path() + "/"; }

std::string DemoWorld::AgentFile() const { return ProgramDir() + "Tessaly"; }

std::string DemoWorld::LogFile() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char day[16];
  std::strftime(day, sizeof day, "%Y%m%d", &local);
  return ProgramDir() + "log/Tessaly" + day + ".log";
}

std::string DemoWorld::LogText() const {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(ProgramDir() + "log", ec))
    if (entry.path().extension() == ".log") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  std::string text;
  for (const auto& file : files) text += ReadFileBytes(file);
  return text;
}

void DemoWorld::WriteProgramFolder(const std::string& agentFile) {
  std::error_code ec;
  fs::copy_file(agentFile, AgentFile(), fs::copy_options::overwrite_existing, ec);
  Check(!ec, "cannot copy " + agentFile, ec.message());
  WriteFileBytes(ProgramDir() + "Tessaly.ini",
                 "[SPFClient]\r\nSoftVer=00012\r\nSoftVerName=演示门店系统\r\nSoftId=5\r\nAutoStartWaitTime=0\r\n"
                 "IsDetailLog=1\r\nSpfHostUrl=" +
                     platform_.baseUrl() +
                     "\r\n\r\n[DBConfig_00012]\r\nDBHost=127.0.0.1,1433\r\nDBUser=sa\r\nDBPwd=" + kDbPasswordBase64 +
                     "\r\nDBName=" + db_.DatabasePath() + "\r\n\r\n[Login]\r\nSoftId=5\r\nSavePassword=1\r\nOperPwd=" +
                     kOperPasswordBase64 + "\r\n");
  WriteUpgradePackage(ProgramDir() + "data/99999.dat", {});
  WriteUpgradePackage(ProgramDir() + "data/00012.dat", {});
}

void DemoWorld::FillDatabase() {
  ApplyAgentSchema(db_);
  // A head-office database: the member pull runs, and no branch number is needed to start.
  db_.SetScalarText("fn_spf_soft_get_distributed", "1");
  db_.SetScalarText("fn_spf_soft_get_branch_no", "0000");
  std::string error;
  Check(db_.RunTsql("create table bi_t_item_info(item_no varchar(20) not null, item_name nvarchar(40), "
                    "unit_no nvarchar(8), sale_price numeric(12,2), max_change int) "
                    "insert into bi_t_item_info values('690001', N'农夫山泉 550ml', N'瓶', 2.00, 1) "
                    "insert into bi_t_item_info values('690002', N'康师傅红烧牛肉面', N'袋', 4.50, 2) "
                    "insert into bi_t_item_info values('690003', N'Fresh milk 1L', N'盒', 12.80, 3) "
                    "create table bi_t_branch_info(branch_no varchar(8) not null, branch_name nvarchar(40), "
                    "max_change int) "
                    "insert into bi_t_branch_info values('0000', N'总部', 1) "
                    "insert into bi_t_branch_info values('0001', N'人民路店', 2)",
                    &error),
        "sample tables", error);
  const auto catalogue = [&](int index, const std::string& table, const std::string& columns) {
    Check(db_.Exec("insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,"
                   "trans_table,table_name,trans_tag,get_update_sql) values(" +
                       std::to_string(index) + ",'00012',1,0,'BI','" + table + "','" + table + "',0,'select " + columns +
                       ", max_change as trans_last_change from " + table +
                       " where max_change > :last_change order by max_change')",
                   &error),
          "catalogue", error);
  };
  catalogue(1, "bi_t_item_info", "item_no, item_name, unit_no, sale_price");
  catalogue(2, "bi_t_branch_info", "branch_no, branch_name");
}

void DemoWorld::ScriptPlatform() {
  platform_.SetDefault("Login.ashx", FakeReply::Json("{\"bResult\":true,\"errMsg\":\"\",\"oResult\":\"1\"}"));
  platform_.SetDefault("UpTable.ashx", Accepted());
  platform_.SetDefault("UpVipSrvConfig.ashx", Accepted());
  std::vector<OrderSpec> orders;
  for (const char* sheet : kOrderSheets) orders.push_back(Order(sheet).Soft(kSoftId).Lines(2).Memo("自助收银"));
  platform_.Enqueue(kPosPath, FakeReply::Json(PosReply(2, orders, 2)));
  platform_.SetDefault(kPosPath, FakeReply::Json(PosReply(2, {}, 2)));
  platform_.Enqueue(kWxPath, FakeReply::Json(VipReply("2026-12-10 09:00:00", {Vip("V0001", "张三"), Vip("V0002", "李四")})));
  platform_.SetDefault(kWxPath, FakeReply::Json(VipReply("2026-12-10 09:00:00", {})));
}

pid_t DemoWorld::StartAgent(const std::vector<std::string>& args, const std::vector<std::string>& env,
                            const std::string& outputFile) {
  std::vector<std::string> argv{AgentFile()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> argvPtrs;
  for (auto& a : argv) argvPtrs.push_back(a.data());
  argvPtrs.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** e = environ; *e != nullptr; ++e) envText.emplace_back(*e);
  envText.insert(envText.end(), env.begin(), env.end());
  std::vector<char*> envPtrs;
  for (auto& e : envText) envPtrs.push_back(e.data());
  envPtrs.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = outputFile.empty() ? "/dev/null" : outputFile;
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attr, argvPtrs.data(), envPtrs.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  Check(rc == 0, "cannot start " + argv[0], std::strerror(rc));
  started_.push_back(pid);
  return pid;
}

int DemoWorld::WaitExit(pid_t pid, int guardMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 || std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace vqtest
