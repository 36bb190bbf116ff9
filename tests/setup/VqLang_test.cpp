#include "setup/core/VqLang.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "platform/TextCodec.h"
#include "setup/core/VqLangTexts.h"

namespace {

using orvane::TvqLang;

TvqLang WithOverride(const std::string& utf8Text) {
  return TvqLang([gbk = platform::Utf8ToCp936(utf8Text)](std::string_view name) -> std::optional<std::string> {
    if (name == TvqLang::kOverrideResource) return gbk;
    return std::nullopt;
  });
}

// The built-in table has its 123 distinct keys, and samples from every group read exactly.
TEST(VqLangTest, BuiltInTable) {
  std::set<std::string> keys;
  for (const auto& e : orvane::BuiltInLangTexts()) {
    EXPECT_EQ(std::string(e.key).rfind("IDS_", 0), 0U) << e.key;
    keys.insert(e.key);
  }
  EXPECT_EQ(orvane::BuiltInLangTexts().size(), 123U);
  EXPECT_EQ(keys.size(), 123U);

  const TvqLang lang;
  const std::pair<const char*, const char*> samples[] = {
      {"IDS_WELCOME", "欢迎安装使用"},
      {"IDS_SETUPPATH_GROUP", "Velmora软件"},
      {"IDS_DISKINFO", "磁盘 %s 总空间：%s，可用：%s"},
      {"IDS_ITEMNEEDDISK", "的空间（在 %s 驱动器上）"},
      {"IDS_UNINSTALL_DEEPNESS", "完全卸载(删除配置)"},
      {"IDS_DAILOG_MESSAGE", "消息"},
      {"IDS_BUTTON_PASTE", "粘贴"},
      {"IDS_FIALED", "失败"},
      {"IDS_CANNOTCONTINUE", "不能继续"},
      {"IDS_ISUSEUPDATAMODEL", "检测到主服务正在运行，是否使用升级模式安装(不关闭后台服务)？"},
      {"IDS_MSG_INSTALLPATH_PLEASESELECT", "请选择需要安装“本模块”的软件目录..."},
      {"IDS_MSG_INSTALL_EXE_FILE_ISRUNING_KILL_FAIL", "检测到程序“%s”正在运行，关闭时失败！"},
  };
  for (const auto& [key, text] : samples) EXPECT_EQ(lang.GetText(key), text) << key;
}

// Comma-joined lookups run the texts together; parts are taken exactly as written.
TEST(VqLangTest, CommaJoinedLookup) {
  const TvqLang lang;
  const std::pair<const char*, const char*> cases[] = {
      {"IDS_READ,IDS_INSTALL,IDS_PACKAGE,IDS_FIALED", "读取安装包失败"},
      {"IDS_INSTALL, IDS_FIALED", "安装"},
      {"ids_install", "安装"},
      {"IDS_NOSUCHKEY", ""},
      {"IDS_INSTALL,,IDS_SUCCESS,", "安装成功"},
      {"", ""},
      {"IDS_INSTALL ", ""},
  };
  for (const auto& [keys, text] : cases) EXPECT_EQ(lang.GetText(keys), text) << keys;
}

// Overrides: any line end, the first line of a name wins, an empty text keeps the built-in one,
// lines without "=" are ignored, and new keys become available.
TEST(VqLangTest, OverrideResource) {
  const TvqLang lang = WithOverride(
      "IDS_WELCOME=Welcome\r\n"
      "ids_welcome=Second\n"
      "IDS_BUTTON_OK=\r"
      "no separator line\r\n"
      "\n"
      "IDS_EXTRA=额外=文字\r\n"
      "IDS_FIALED=failed");
  const std::pair<const char*, const char*> cases[] = {
      {"IDS_WELCOME", "Welcome"},
      {"IDS_BUTTON_OK", "确定"},
      {"IDS_EXTRA", "额外=文字"},
      {"IDS_INSTALL,IDS_FIALED", "安装failed"},
      {"no separator line", ""},
  };
  for (const auto& [keys, text] : cases) EXPECT_EQ(lang.GetText(keys), text) << keys;
}

// Without the resource, or when reading it fails, only the built-in texts serve.
TEST(VqLangTest, MissingOrBrokenOverride) {
  const TvqLang none([](std::string_view) -> std::optional<std::string> { return std::nullopt; });
  EXPECT_EQ(none.GetText("IDS_WELCOME"), "欢迎安装使用");
  const TvqLang broken(
      [](std::string_view) -> std::optional<std::string> { throw std::runtime_error("unreadable"); });
  EXPECT_EQ(broken.GetText("IDS_WELCOME"), "欢迎安装使用");
  const TvqLang empty = WithOverride("");
  EXPECT_EQ(empty.GetText("IDS_WELCOME"), "欢迎安装使用");
}

// Formatting fills "%s" in order with the arguments given, "" once they run out, turns "%%"
// into "%", and leaves every other "%" form alone, so an override can never reach a formatter.
TEST(VqLangTest, FormatTextSubstitutesOnlyStrings) {
  const TvqLang lang = WithOverride(
      "IDS_X=%d %n %x %s%%%s %\r\n"
      "IDS_Y=%s-%s-%s-%s\r\n");
  struct Case {
    const char* keys;
    std::vector<std::string> args;
    std::string expected;
  };
  const Case cases[] = {
      {"IDS_PLEASESELECTITEM", {lang.GetText("IDS_UNINSTALL")}, "请选择卸载模块"},
      {"IDS_DISKINFO", {"C:", "100 GB", "20 GB"}, "磁盘 C: 总空间：100 GB，可用：20 GB"},
      {"IDS_DISKINFO", {"C:"}, "磁盘 C: 总空间：，可用："},
      {"IDS_DISKINFO", {}, "磁盘  总空间：，可用："},
      {"IDS_X", {"a", "b"}, "%d %n %x a%b %"},
      {"IDS_Y", {"%s", "%%", "x"}, "%s-%%-x-"},
      {"IDS_WELCOME", {"unused"}, "欢迎安装使用"},
      {"IDS_NOSUCHKEY", {"a"}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(lang.FormatText(c.keys, c.args), c.expected) << c.keys;
}

}  // namespace
