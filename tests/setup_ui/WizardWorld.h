#pragma once
// The wizard without widgets on an emulated machine with a D: drive: a packed setup program
// (the caller's [Main] lines and sections over a small product of three modules), the page-flow
// controller over a recording window, and a message pump that lets a test act while a flow runs
// (the flows process window messages, so clicks and close requests arrive mid-flow in the real
// program too). The exec action world's clock makes waits cost no test time while package
// threads still get a real moment.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "setup/core/LineList.h"
#include "setup/core/MessagePump.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqSign.h"
#include "setup/ui/WizardController.h"
#include "support/ExecActionWorld.h"
#include "support/RecordingWizardView.h"
#include "support/SetupExeBuilder.h"
#include "support/Standins.h"

namespace vqtest {

inline constexpr const char* kWizardGuid = "8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F";
inline constexpr const char* kWizardKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F}";
inline constexpr const char* kWizardAppPath = "D:\\Apps\\Tessaly\\";

// The product: core cannot be chosen, tools and web can; each module has its own file group.
inline constexpr const char* kWizardModules =
    "[module]\r\n"
    "core=核心;can_select:0;setup:1;item_group:基础;\r\n"
    "tools=工具;can_select:1;setup:1;item_group:扩展;\r\n"
    "web=网页;can_select:1;setup:0;item_group:扩展;\r\n"
    "[core_filegroup]\r\nfilegroup1=group_id:g_core;\r\n"
    "[tools_filegroup]\r\nfilegroup1=group_id:g_tools;\r\n"
    "[web_filegroup]\r\nfilegroup1=group_id:g_web;\r\n"
    "[file_group]\r\n"
    "g_core=app_id:1001;group_id:g_core;group_name:core;group_title:核心文件;filesize:4096;\r\n"
    "g_tools=app_id:1001;group_id:g_tools;group_name:tools;group_title:工具文件;filesize:2048;\r\n"
    "g_web=app_id:1001;group_id:g_web;group_name:web;group_title:网页文件;filesize:1024;\r\n"
    "[g_core_files]\r\nD:\\src\\bin\\Tessaly.exe;subfolder_id:1;=app_id:1001;group_id:g_core;"
    "dst_path:<app_path>bin\\;tag_replace:1;tag_uninstall:1;lastwritetime:2020-07-17 09:30:07;\r\n"
    "[g_tools_files]\r\nD:\\src\\tools\\tool.exe;subfolder_id:1;=app_id:1001;group_id:g_tools;"
    "dst_path:<app_path>tools\\;tag_replace:1;tag_uninstall:1;lastwritetime:2020-07-17 09:30:07;\r\n"
    "[g_web_files]\r\nD:\\src\\web\\index.html;subfolder_id:1;=app_id:1001;group_id:g_web;"
    "dst_path:<app_path>web\\;tag_replace:1;tag_uninstall:1;lastwritetime:2020-07-17 09:30:07;\r\n";

inline constexpr const char* kCoreFile = "D:\\Apps\\Tessaly\\bin\\Tessaly.exe";
inline constexpr const char* kToolsFile = "D:\\Apps\\Tessaly\\tools\\tool.exe";
inline constexpr const char* kWebFile = "D:\\Apps\\Tessaly\\web\\index.html";

// Runs the test's steps whenever a flow processes messages; nothing between flows.
class ScriptedPump final : public orvane::IMessagePump {
 public:
  ScriptedPump() { orvane::SetMessagePump(this); }
  ~ScriptedPump() override { orvane::SetMessagePump(nullptr); }
  ScriptedPump(const ScriptedPump&) = delete;
  ScriptedPump& operator=(const ScriptedPump&) = delete;

  void ProcessMessages() override {
    if (!step || running_) return;
    // A step may raise (to stand for an error inside a flow); later pumps still run it.
    running_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{running_};
    ++calls;
    step();
  }
  [[nodiscard]] bool Terminating() override { return false; }

  std::function<void()> step;
  int calls = 0;

 private:
  bool running_ = false;
};

class WizardWorld {
 public:
  explicit WizardWorld(MachineRootFixture::Bits bits = MachineRootFixture::Bits::x64) : world(bits) {
    std::filesystem::create_directories(world.fx.machine.root() + "/drive_d");
    view.closeQuery = [this] { return wizard.CloseQuery(); };
  }
  ~WizardWorld() { wizard.FormDestroy(); }
  WizardWorld(const WizardWorld&) = delete;
  WizardWorld& operator=(const WizardWorld&) = delete;

  // The configuration: [Main] with `mainLines` before the product's own, then `sections` (kWizardModules when empty).
  static std::string Config(const std::string& mainLines, const std::string& sections) {
    // The first of two equal keys wins: the caller's lines go first.
    return "[Main]\r\n" + mainLines + "AppId=1001\r\nAppGuid=" + kWizardGuid +
           "\r\nAppTitle=Tessaly\r\nAppName=tessaly\r\nAppVersion=2.1\r\nAppDefPath=D:\\Apps\\Tessaly\r\n"
           "AppUninstExeFile=D:\\src\\Uninstall.exe\r\n" +
           (sections.empty() ? std::string(kWizardModules) : sections);
  }

  // A builder with the configuration and the product's payload files.
  static SetupExeBuilder Product(const std::string& mainLines = "", const std::string& sections = "") {
    SetupExeBuilder builder;
    builder.SetConfig(Config(mainLines, sections));
    builder.AddPayloadFile({"D:\\src\\bin\\Tessaly.exe", "bin\\Tessaly.exe", "agent program"});
    builder.AddPayloadFile({"D:\\src\\tools\\tool.exe", "tools\\tool.exe", "tool program"});
    builder.AddPayloadFile({"D:\\src\\web\\index.html", "web\\index.html", "<html/>"});
    builder.AddPayloadFile({"D:\\src\\Uninstall.exe", "Uninstall.exe", "uninstaller program"});
    return builder;
  }

  // Packs the program, creates and shows the wizard; the package is still loading after it.
  void Open(const SetupExeBuilder& builder) {
    world.fx.Pack(builder);
    wizard.FormCreate();
    ASSERT_NE(wizard.App(), nullptr);
    SetupEngineFixture::WaitPackThread(*wizard.App());
    wizard.FormShow();
  }
  // The start timer's tick once the application files are written.
  void Load() {
    ASSERT_TRUE(view.Running(orvane::TTimer::Start));
    wizard.tmrStartTimer();
    ASSERT_FALSE(view.Running(orvane::TTimer::Start));
  }
  void Start(const SetupExeBuilder& builder) {
    Open(builder);
    Load();
  }

  // The product as an earlier run of the installer left it: `builder` installed by the engine
  // alone, with `web` chosen or not, before the wizard opens; with `configure`, its configuration
  // items that are not shown written too.
  void InstallFirst(const SetupExeBuilder& builder, bool web, bool configure = false) {
    world.fx.Pack(builder);
    std::unique_ptr<orvane::TvqApp> engine = world.fx.NewEngine();
    for (std::string& line : engine->ModuleList)
      if (orvane::LineName(line) == "web")
        line = "web=" + orvane::SetTagValue(orvane::LineValue(line), "setup:", ';', web ? "1" : "0");
    std::string error;
    ASSERT_TRUE(engine->RunInstall(error, orvane::kModeInstall)) << error;
    if (!configure) return;
    (void)engine->CollectConfigItems();
    engine->WriteHiddenConfigItems();
  }

  [[nodiscard]] orvane::TvqApp& app() { return *wizard.App(); }
  [[nodiscard]] std::string Text(const char* keys) { return app().Lang().GetText(keys); }

  // Information and question boxes shown since the last call, as "info[title]: text".
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    const std::vector<std::string> all = world.fx.ui.Transcript();
    for (std::size_t i = seen_; i < all.size(); ++i)
      if (all[i].rfind("info[", 0) == 0 || all[i].rfind("query[", 0) == 0) out.push_back(all[i]);
    seen_ = all.size();
    return out;
  }

  // The module's setup field in the engine's list.
  [[nodiscard]] std::string SetupOf(const std::string& module) {
    for (const std::string& line : app().ModuleList)
      if (orvane::LineName(line) == module) return orvane::GetTagValue(orvane::LineValue(line), "setup:", ';');
    return "?";
  }

  [[nodiscard]] static bool Exists(const std::string& windowsPath) {
    return std::filesystem::is_regular_file(SetupEngineFixture::Host(windowsPath));
  }

  // The product as an earlier install left it: its folder and the uninstall entry naming it.
  static void RecordInstalled(const std::string& location, const std::string& items = "") {
    std::filesystem::create_directories(SetupEngineFixture::Host(location));
    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::Create(platform::RegRoot::LocalMachine, kWizardKey, platform::RegView::Force64, key),
              0);
    ASSERT_EQ(key.WriteString("InstallLocation", location), 0);
    if (!items.empty()) {
      ASSERT_EQ(key.WriteString("InstallItems", items), 0);
    }
  }

  ExecActionWorld world;
  RecordingWizardView view;
  orvane::TWizardController wizard{view};
  ScriptedPump pump;

 private:
  std::size_t seen_ = 0;
};

}  // namespace vqtest
