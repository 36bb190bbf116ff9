#include "support/InstallWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "platform/FileOps.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace vqtest {
namespace {

namespace fs = std::filesystem;

// core and tools share g_shared with web; web is not selected. Only g_core, g_web and g_tools
// take part in upgrades. g_noname and g_x belong to no module (tests fill g_x).
constexpr const char* kModules =
    "[module]\r\n"
    "core=核心;can_select:0;setup:1;item_group:基础;\r\n"
    "web=网页;can_select:1;setup:0;item_group:扩展;\r\n"
    "tools=工具;can_select:1;setup:1;item_group:扩展;\r\n"
    "[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\nfilegroup2=group_id:g_shared;\r\n"
    "[web_filegroup]\r\nfilegroup1=group_id:g_web;\r\nfilegroup2=group_id:g_shared;\r\n"
    "[tools_filegroup]\r\nfilegroup1=group_id:g_tools;\r\nfilegroup2=group_id:g_shared;\r\n"
    "[file_group]\r\n"
    "g_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;group_updata:1;filesize:4096;\r\n"
    "g_shared=app_id:1001;group_id:g_shared;group_name:shared;group_title:公共文件;group_updata:0;filesize:512;\r\n"
    "g_web=app_id:1001;group_id:g_web;group_name:web;group_title:网页文件;group_updata:1;filesize:300;\r\n"
    "g_tools=app_id:1001;group_id:g_tools;group_name:tools;group_title:工具文件;group_updata:1;filesize:x;\r\n"
    "g_noname=app_id:1001;group_id:g_noname;group_title:无名;\r\n"
    "g_x=app_id:1001;group_id:g_x;group_name:x;group_title:杂项;\r\n";

// Links of the modules and global ones: an address of each scheme, a link of an unselected module.
constexpr const char* kShortcuts =
    "[core_desktop]\r\n<app_path>bin\\Tessaly.exe=Tessaly <app_version>;desc:同步 <app_title>;"
    "icon_file:<app_path>bin\\Tessaly.exe;\r\n"
    "[core_startmenu]\r\n<app_path>bin\\Tessaly.exe=Tessaly <app_version>;desc:同步 <app_title>;\r\n"
    "[web_desktop]\r\n<app_path>web\\index.html=网页首页;\r\n"
    "[tools_desktop]\r\n<app_path>tools\\tool.exe=工具;\r\n"
    "[tools_startmenu]\r\n<app_path>tools\\tool.exe=工具;\r\n"
    "[_desktop]\r\nhttp://velmora.example/=官网;\r\nhttps://velmora.example/secure=安全官网;\r\n"
    "[_startmenu]\r\n<app_path>Uninstall1001.exe=卸载 <app_title>;\r\n";

// Autorun records leave a setup-log line naming their file: one at step 0, one before and one
// after the program file is placed.
constexpr const char* kExecs =
    "[_exec_0]\r\n{S0}=exec_type:9;src_file:<app_path>step0.mark;service_name:Step0;setup_style:111000;\r\n"
    "[core_exec_2]\r\n{S2}=exec_type:9;src_file:<app_path>bin\\Tessaly.exe;service_name:Step2;setup_style:111000;\r\n"
    "[core_exec_3]\r\n{S3}=exec_type:9;src_file:<app_path>bin\\Tessaly.exe;service_name:Step3;setup_style:111000;\r\n";

ProductFile Make(const std::string& group, const std::string& source, const std::string& entry,
                 const std::string& bytes, const std::string& time, const std::string& fields,
                 const std::string& target, bool forUpgrade) {
  return {PackedFile{source, entry, bytes, time}, group,
          "app_id:1001;group_id:" + group + ";src_file:" + source + ";" + fields +
              "tag_uninstall:1;lastwritetime:" + time + ";",
          target, forUpgrade};
}

std::vector<ProductFile> StandardFiles() {
  const std::string app = InstallWorld::kAppPath;
  return {
      Make("g_core", "D:\\src\\bin\\Tessaly.exe", "bin\\Tessaly.exe", "agent program", "2020-07-17 09:30:07",
           "dst_filename:Tessaly.exe;dst_path:<app_path>bin\\;tag_updata:1;tag_replace:1;", app + "bin\\Tessaly.exe",
           true),
      // A folder written without its closing "\".
      Make("g_core", "D:\\src\\bin\\core.dll", "bin\\core.dll", "core library", "2021-01-02 03:04:05",
           "dst_filename:;dst_path:<app_path>bin;tag_updata:0;tag_replace:1;", app + "bin\\core.dll", false),
      Make("g_core", "D:\\src\\数据\\说明.txt", "数据\\说明.txt", "说明文字", "2020-07-17 09:30:08",
           "dst_path:<app_path>数据\\;tag_updata:1;tag_replace:0;", app + "数据\\说明.txt", true),
      Make("g_core", "D:\\src\\sys\\vqsys.dll", "sys\\vqsys.dll", "system helper", "2020-07-17 09:30:08",
           "dst_path:<sys_path>;tag_updata:0;tag_replace:1;", "C:\\Windows\\System32\\vqsys.dll", false),
      Make("g_shared", "D:\\src\\share\\common.dat", "share\\common.dat", "shared data", "2020-07-17 09:30:09",
           "dst_path:<app_path>share\\;tag_updata:1;tag_replace:2;", app + "share\\common.dat", false),
      Make("g_web", "D:\\src\\web\\index.html", "web\\index.html", "<html/>", "2020-07-17 09:30:10",
           "dst_path:<app_path>web\\;tag_updata:1;tag_replace:1;", app + "web\\index.html", true),
      Make("g_tools", "D:\\src\\tools\\tool.exe", "tools\\tool.exe", "tool program", "2020-07-17 09:30:11",
           "dst_path:<app_path>tools\\;tag_updata:1;tag_replace:1;", app + "tools\\tool.exe", true),
  };
}

}  // namespace

InstallWorld::InstallWorld() : files(StandardFiles()) { fs::create_directories(world.fx.machine.root() + "/drive_d"); }

InstallWorld::~InstallWorld() = default;

std::string InstallWorld::Config(const std::string& mainLines, const std::string& sections) const {
  std::string text =
      "[Main]\r\nAppId=1001\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly\r\n"
      "AppName=tessaly\r\nAppVersion=2.1\r\nAppDefPath=D:\\Apps\\Tessaly\r\nAppUninstExeFile=D:\\src\\Uninstall.exe\r\n"
      "AppUpdataModel=1\r\nAppMainSvrFileName=<app_path>bin\\TessalySvc.exe\r\n" +
      mainLines + kModules + kShortcuts + kExecs;
  // One section per group, in the order the groups first appear.
  std::vector<std::string> groups;
  for (const ProductFile& f : files)
    if (std::find(groups.begin(), groups.end(), f.group) == groups.end()) groups.push_back(f.group);
  for (const std::string& group : groups) {
    text += "[" + group + "_files]\r\n";
    for (const ProductFile& f : files)
      if (f.group == group) text += f.packed.sourcePath + ";subfolder_id:1;=" + f.record + "\r\n";
  }
  return text + sections;
}

void InstallWorld::Start(const std::string& mainLines, const std::string& sections) {
  world.app.reset();
  SetupExeBuilder builder;
  builder.SetConfig(Config(mainLines, sections));
  for (const ProductFile& f : files) builder.AddPayloadFile(f.packed);
  builder.AddPayloadFile({"D:\\src\\Uninstall.exe", "Uninstall.exe", kUninstallerBytes, "2020-07-17 09:31:00"});
  world.fx.Pack(builder);
  world.app = world.fx.NewEngine();
  ASSERT_EQ(world.app->InstallPath, kAppPath);
  world.app->StatusLabel = &world.fx.ui;
  world.app->DesktopLink = true;
  world.app->StartMenuLink = true;
  // The package thread's last log entry follows its finished word; tests read what comes after.
  (void)WaitUntil([] { return SetupEngineFixture::SetupLogText().find("[soft_app_files]完成.") != std::string::npos; });
  (void)world.NewLogEntries();
  (void)world.NewStatusLines();
}

void InstallWorld::Select(const std::string& moduleKey, bool setup) {
  for (std::string& line : world.app->ModuleList)
    if (orvane::LineName(line) == moduleKey)
      line = moduleKey + "=" + orvane::SetTagValue(orvane::LineValue(line), "setup:", ';', setup ? "1" : "0");
}

bool InstallWorld::Exists(const std::string& windowsPath) {
  return fs::is_regular_file(SetupEngineFixture::Host(windowsPath));
}

std::string InstallWorld::Read(const std::string& windowsPath) {
  return ReadFileBytes(SetupEngineFixture::Host(windowsPath));
}

void InstallWorld::Write(const std::string& windowsPath, const std::string& bytes) {
  WriteFileBytes(SetupEngineFixture::Host(windowsPath), bytes);
}

double InstallWorld::WriteTime(const std::string& windowsPath) {
  double access = 0, write = 0;
  return platform::GetFileTimes(windowsPath, access, write) == 0 ? write : -1;
}

void InstallWorld::SetWriteTime(const std::string& windowsPath, double seconds) {
  ASSERT_EQ(platform::SetFileTimes(windowsPath, seconds, seconds), 0) << windowsPath;
}

double InstallWorld::LocalSeconds(const std::string& text) {
  std::tm tm{};
  EXPECT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                        &tm.tm_min, &tm.tm_sec),
            6);
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  return static_cast<double>(std::mktime(&tm));
}

const ProductFile* InstallWorld::File(const std::string& target) const {
  for (const ProductFile& f : files)
    if (f.target == target) return &f;
  return nullptr;
}

}  // namespace vqtest
