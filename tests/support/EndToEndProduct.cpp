#include "support/EndToEndProduct.h"

#include <stdexcept>

#include "support/Standins.h"
#include "support/TempDir.h"

namespace vqtest {
namespace {

// A small TrueType font that every build machine has (it comes with the Qt development files).
constexpr const char* kFontSource = "/usr/share/qt6/doc/global/template/style/icomoon.ttf";
constexpr const char* kSourceFolder = "D:\\VqPack\\src\\";
constexpr const char* kUninstallerSource = "D:\\VqPack\\src\\Uninstall.exe";

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

std::string Main(const std::string& version, bool uninstaller) {
  return "[Main]\r\nAppId=1001\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly\r\n"
         "AppName=tessaly\r\nAppVersion=2.1." +
         version.substr(1) +
         "\r\nAppCompany=Velmora\r\nAppHomepage=http://velmora.example/\r\nAppDefPath=D:\\Tessaly\r\n"
         "AppUninstExeFile=" +
         kUninstallerSource + "\r\nAppUpdataModel=1\r\nAppMainSvrFileName=<app_path>bin\\Sync.exe\r\n" +
         (uninstaller ? "AppInstallType=uninstall\r\n" : "");
}

// Modules, groups, shortcuts, exec actions and configuration items; the file sections follow.
std::string Sections() {
  return Lines({
      "[module]",
      "sync=同步服务;can_select:1;setup:1;",
      "web=网页;can_select:1;setup:1;",
      "tools=工具;can_select:1;setup:1;",
      "doc=文档;can_select:1;setup:0;",
      "[sync_filegroup]",
      "filegroup1=group_id:core;",
      "filegroup2=group_id:syncg;",
      "[web_filegroup]",
      "filegroup1=group_id:core;",
      "filegroup2=group_id:webg;",
      "[tools_filegroup]",
      "filegroup1=group_id:core;",
      "filegroup2=group_id:toolsg;",
      "[doc_filegroup]",
      "filegroup1=group_id:docg;",
      "[file_group]",
      "core=app_id:1001;group_id:core;group_name:core;group_title:公共文件;group_updata:1;filesize:100;",
      "syncg=app_id:1001;group_id:syncg;group_name:syncg;group_title:同步文件;group_updata:0;",
      "webg=app_id:1001;group_id:webg;group_name:webg;group_title:网页文件;group_updata:1;",
      "toolsg=app_id:1001;group_id:toolsg;group_name:toolsg;group_title:工具文件;",
      "docg=app_id:1001;group_id:docg;group_name:docg;group_title:文档文件;",
      "[sync_desktop]",
      "<app_path>bin\\Sync.exe=同步 <app_title>;desc:<app_title> 同步;",
      "[sync_startmenu]",
      "<app_path>bin\\Sync.exe=同步;",
      "[web_desktop]",
      "<app_path>webexe\\Web.exe=网页;",
      "https://velmora.example/=安全主页;",
      "[web_startmenu]",
      "<app_path>webexe\\Web.exe=网页;",
      "[tools_desktop]",
      "<app_path>tools\\Tool2.exe=工具;",
      "[tools_startmenu]",
      "<app_path>tools\\Tool2.exe=工具;",
      "[doc_desktop]",
      "<app_path>doc\\manual.txt=手册;",
      "[_desktop]",
      "http://velmora.example/=主页;",
      "[_startmenu]",
      "<app_path>Uninstall1001.exe=卸载 <app_title>;",
      // Install step 0: the old program is asked to quit, a command runs to its end.
      "[_exec_0]",
      "{E7}=exec_type:7;src_file:<app_path>bin\\Sync.exe;window_title:同步旧版;setup_style:111000;",
      "{E6}=exec_type:6;exec_params:\"D:\\Tools\\Tool.exe\" --args step0.txt 安装 前;is_wait_finshed:1;"
      "setup_style:111000;",
      // Around the service program: stopped before it is replaced, installed and started after.
      "[syncg_exec_2]",
      "{S7}=exec_type:7;is_service:1;service_name:VqSvc;service_title:同步服务;src_file:<app_path>bin\\Svc.exe;"
      "setup_style:111000;",
      "[syncg_exec_3]",
      "{S8}=exec_type:8;is_service:1;service_name:VqSvc;service_title:同步服务;src_file:<app_path>bin\\Svc.exe;"
      "setup_style:111000;",
      "{S9}=exec_type:9;src_file:<app_path>bin\\Sync.exe;service_name:VqSync;exec_params:-auto;setup_style:111000;",
      "[core_exec_3]",
      "{C1}=exec_type:1;src_file:<app_path>bin\\Comp.dll;window_title:组件;setup_style:111000;",
      "{C2}=exec_type:2;src_file:<app_path>fonts\\icomoon.ttf;window_title:图标字体;setup_style:111000;",
      // The finish page of an install starts the product; the web program records how it ran.
      "[sync_exec_1]",
      "{F8}=exec_type:8;src_file:<app_path>bin\\Sync.exe;window_title:同步;exec_params:--cwd cwd.txt --caption "
      "同步主窗口 --sleep-ms 600000;is_can_select:1;is_def_select:1;setup_style:111000;",
      "[web_exec_1]",
      "{W8}=exec_type:8;src_file:<app_path>webexe\\Web.exe;window_title:网页;exec_params:--cwd cwd.txt --args "
      "args.txt 甲 \"乙 丙\";is_wait_finshed:1;is_def_select:1;setup_style:111000;",
      // The uninstall closes the product and stops its service first, and runs a command at its end.
      "[sync_exec_0]",
      "{X7}=exec_type:7;src_file:<app_path>bin\\Sync.exe;window_title:同步主窗口;setup_style:000100;",
      "{X7S}=exec_type:7;is_service:1;service_name:VqSvc;service_title:同步服务;src_file:<app_path>bin\\Svc.exe;"
      "setup_style:000100;",
      "[_exec_3]",
      "{U6}=exec_type:6;exec_params:\"D:\\Tools\\Tool.exe\" --args uninst.txt 卸载 完成;is_wait_finshed:1;"
      "is_def_select:1;setup_style:000100;",
      "[_config]",
      "server=cfg_show:1;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\<app_name>;cfg_sect:HKEY_LOCAL_MACHINE;"
      "cfg_name:Server;cfg_value:127.0.0.1;cfg_title:服务器;",
      "home=cfg_show:0;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\<app_name>;cfg_sect:HKEY_LOCAL_MACHINE;"
      "cfg_name:Default;cfg_value:<app_path>;",
      "port=cfg_show:0;cfg_type:0;cfg_file:<app_path>app.ini;cfg_sect:Net;cfg_name:Port;cfg_value:9103;",
      "secret=cfg_show:0;cfg_type:0;cfg_file:<app_path>app.ini;cfg_sect:Net;cfg_name:Secret;value_encrypt:1;"
      "value_encrypt_key:0123456789abcdef;cfg_value:口令;",
      "none=cfg_show:0;cfg_type:1;cfg_file:<app_path>none.ini;cfg_sect:X;cfg_name:Y;cfg_value:z;",
      "[sync_config]",
      "branch=cfg_show:1;cfg_type:0;cfg_file:<app_path>app.ini;cfg_sect:Sync;cfg_name:Branch;value_type:1;"
      "cfg_value:0000;cfg_title:门店号;",
      "[doc_config]",
      "docitem=cfg_show:0;cfg_type:0;cfg_file:<app_path>doc.ini;cfg_sect:D;cfg_name:E;cfg_value:f;",
  });
}

std::string FileSections() {
  std::string text, group;
  for (const EndToEndProduct::File& file : EndToEndProduct::Files()) {
    if (file.group != group) {
      group = file.group;
      text += "[" + group + "_files]\r\n";
    }
    const std::string folder = file.path.substr(0, file.path.rfind('\\') + 1);
    text += kSourceFolder + file.path + ";subfolder_id:1;=app_id:1001;group_id:" + group +
            ";dst_filename:;dst_path:<app_path>" + folder + ";" + file.fields +
            "lastwritetime:" + EndToEndProduct::kFileTime + ";\r\n";
  }
  return text;
}

std::string BuiltFile(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  if (bytes.empty()) throw std::runtime_error("missing test input " + path);
  return bytes;
}

}  // namespace

const std::vector<EndToEndProduct::File>& EndToEndProduct::Files() {
  static const std::vector<File> files = {
      {"core", "bin\\Core.dll", "tag_updata:1;tag_replace:1;tag_uninstall:1;", Kind::Text},
      {"core", "bin\\Comp.dll", "tag_updata:0;tag_replace:1;tag_uninstall:1;", Kind::Component},
      {"core", "fonts\\icomoon.ttf", "tag_replace:1;tag_uninstall:1;", Kind::Font},
      {"syncg", "bin\\Sync.exe", "tag_replace:1;tag_uninstall:1;", Kind::Program},
      {"syncg", "bin\\Svc.exe", "tag_replace:1;tag_uninstall:1;", Kind::Program},
      {"syncg", "data\\keep0.db", "tag_replace:0;tag_uninstall:0;", Kind::Text},
      {"syncg", "data\\new1.db", "tag_updata:1;tag_replace:1;tag_uninstall:1;", Kind::Text},
      {"syncg", "data\\old2.db", "tag_replace:2;tag_uninstall:0;", Kind::Text},
      {"syncg", "data\\newer2.db", "tag_replace:2;tag_uninstall:1;", Kind::Text},
      {"webg", "web\\index.html", "tag_updata:1;tag_replace:1;tag_uninstall:1;", Kind::Text},
      {"webg", "web\\app.js", "tag_replace:1;tag_uninstall:1;", Kind::Text},
      {"webg", "webexe\\Web.exe", "tag_replace:1;tag_uninstall:1;", Kind::Program},
      {"toolsg", "tools\\Tool2.exe", "tag_replace:1;tag_uninstall:1;", Kind::Text},
      {"docg", "doc\\manual.txt", "tag_replace:1;tag_uninstall:1;", Kind::Text},
  };
  return files;
}

std::string EndToEndProduct::Bytes(const File& file, const std::string& version) {
  switch (file.kind) {
    case Kind::Text:
      return version + " " + file.path + "\r\n";
    case Kind::Program:
      return BuiltFile(ProgramStandinFile());
    case Kind::Component:
      return BuiltFile(ComponentStandinFile());
    case Kind::Font:
      return BuiltFile(kFontSource);
  }
  return {};
}

EndToEndSetup::EndToEndSetup(const std::string& version, const std::set<std::string>& unmapped) {
  const std::string body = Sections() + FileSections();
  uninstaller_.SetConfig(Main(version, true) + body);
  installer_.SetConfig(Main(version, false) + body);
  for (const EndToEndProduct::File& file : EndToEndProduct::Files()) {
    PackedFile packed{kSourceFolder + file.path, file.path, EndToEndProduct::Bytes(file, version),
                      EndToEndProduct::kFileTime};
    packed.inMap = unmapped.count(file.path) == 0;
    installer_.AddPayloadFile(packed);
  }
  installer_.PackUninstaller(uninstaller_, kUninstallerSource, "Uninstall.exe");
}

}  // namespace vqtest
