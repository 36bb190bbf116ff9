#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "platform/Registry.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqAlgLib.h"
#include "setup/core/VqApp.h"
#include "support/SetupEngineFixture.h"

namespace {

using orvane::TvqApp;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;

constexpr const char* kConfig =
    "[Main]\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly\r\nAppName=tessaly\r\n"
    "AppDefPath=C:\\Apps\\T\r\n"
    "[module]\r\n"
    "sync=同步 服务;can_select:1;setup:1;\r\n"
    "web=网页;can_select:1;setup:0;\r\n"
    "[sync_config]\r\n"
    "port=cfg_show:1;cfg_type:0;cfg_file:<app_path>conf\\app.ini;cfg_sect:Net;cfg_name:Port;value_type:1;"
    "value_encrypt:0;cfg_value:8080;cfg_title:<app_title>端口;\r\n"
    "pwd=cfg_show:1;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\tessaly;cfg_sect:HKEY_LOCAL_MACHINE;cfg_name:Password;"
    "value_encrypt:1;value_encrypt_key:key;cfg_value:;cfg_title:密码;\r\n"
    "none=cfg_show:1;cfg_type:1;cfg_name:x;cfg_value:默认;cfg_title:无;\r\n"
    "def=cfg_show:0;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\T;cfg_sect:HKEY_LOCAL_MACHINE;cfg_name:Default;"
    "cfg_value:<app_path>;\r\n"
    "[web_config]\r\n"
    "site=cfg_show:1;cfg_type:0;cfg_file:web.ini;cfg_sect:W;cfg_name:Site;cfg_value:s;\r\n"
    "[_config]\r\n"
    "g=cfg_show:0;cfg_type:0;cfg_file:global.ini;cfg_sect:G;cfg_name:K;cfg_value:全局;\r\n";

class ConfigItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupExeBuilder builder;
    builder.SetConfig(kConfig);
    fx.Pack(builder);
    app = fx.NewEngine();
    ASSERT_EQ(app->CollectConfigItems(), 5);
  }
  std::string Record(const std::string& name) {
    for (const auto* list : {&app->ShownConfigItems, &app->HiddenConfigItems})
      for (const std::string& line : *list)
        if (line.find(";cfg:" + name + "=") != std::string::npos) return line.substr(line.find('=') + 1);
    ADD_FAILURE() << name;
    return std::string();
  }

  SetupEngineFixture fx;
  std::unique_ptr<TvqApp> app;
};

// Only selected modules and the global section contribute; shown and hidden items are keyed by
// module, module title and item name.
TEST_F(ConfigItemsTest, CollectsByModule) {
  std::vector<std::string> shown, hidden;
  for (const std::string& line : app->ShownConfigItems) shown.push_back(line.substr(0, line.find('=')));
  for (const std::string& line : app->HiddenConfigItems) hidden.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(shown, (std::vector<std::string>{"item:sync;itemtitle:同步 服务;cfg:port",
                                             "item:sync;itemtitle:同步 服务;cfg:pwd",
                                             "item:sync;itemtitle:同步 服务;cfg:none"}));
  EXPECT_EQ(hidden, (std::vector<std::string>{"item:sync;itemtitle:同步 服务;cfg:def", "item:;itemtitle:;cfg:g"}));
}

// Pages take the shown items in order until each is marked placed.
TEST_F(ConfigItemsTest, FindNextConfigPage) {
  std::string key, record;
  ASSERT_TRUE(app->FindNextConfigPage(key, record));
  EXPECT_EQ(key, "item:sync;itemtitle:同步 服务;cfg:port");
  for (std::string& line : app->ShownConfigItems) line = orvane::SetTagValue(line, "cfg_value_tag:", ';', "1");
  EXPECT_FALSE(app->FindNextConfigPage(key, record));
}

// An INI item shows its default until a value is stored; a stored value holding a path token is
// shown expanded.
TEST_F(ConfigItemsTest, IniItemRoundTrip) {
  const std::string port = Record("port");
  EXPECT_EQ(app->ReadConfigItem(port, ""), "8080");
  // As on Windows, the profile functions write only into an existing folder.
  std::filesystem::create_directories(SetupEngineFixture::Host("C:\\Apps\\T\\conf"));
  app->WriteConfigItem(port, "9090");
  EXPECT_EQ(platform::GetPrivateProfileString("Net", "Port", "", SetupEngineFixture::Host("C:\\Apps\\T\\conf\\app.ini"),
                                              platform::ProfileCodePage::Ansi),
            "9090");
  EXPECT_EQ(app->ReadConfigItem(port, ""), "9090");
  app->WriteConfigItem(port, "<app_path>data");
  EXPECT_EQ(app->ReadConfigItem(port, ""), "C:\\Apps\\T\\data\\");
}

// An encrypted registry item is stored as cipher text in the 64-bit view and shows decrypted;
// with nothing stored it shows its configured value; a stored value that cannot be decrypted
// shows the default instead of failing.
TEST_F(ConfigItemsTest, EncryptedRegistryItem) {
  const std::string pwd = Record("pwd");
  EXPECT_EQ(app->ReadConfigItem(pwd, "默认"), "默认");
  app->WriteConfigItem(pwd, "秘密");
  RegKey key;
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\tessaly", platform::RegAccess::Read,
                         RegView::Force64, key),
            0);
  std::string stored;
  ASSERT_EQ(key.ReadString("Password", stored), 0);
  EXPECT_EQ(stored, orvane::TVqAlgLib::EncryptText("秘密", "key"));
  EXPECT_EQ(app->ReadConfigItem(pwd, "默认"), "秘密");
  for (const char* broken : {"not hex at all", "ABCD"}) {
    ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\tessaly", RegView::Force64, key), 0);
    ASSERT_EQ(key.WriteString("Password", broken), 0);
    EXPECT_EQ(app->ReadConfigItem(pwd, "默认"), "默认") << broken;
  }
}

// A value name "Default" stands for the key's unnamed value; an item without storage shows its
// default and writes nothing.
TEST_F(ConfigItemsTest, DefaultValueNameAndNoStorage) {
  app->WriteConfigItem(Record("def"), "v1");
  RegKey key;
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\T", platform::RegAccess::Read, RegView::Force64,
                         key),
            0);
  std::string value;
  ASSERT_EQ(key.ReadString("", value), 0);
  EXPECT_EQ(value, "v1");
  EXPECT_EQ(app->ReadConfigItem(Record("def"), ""), "v1");
  const std::string none = Record("none");
  app->WriteConfigItem(none, "x");
  EXPECT_EQ(app->ReadConfigItem(none, ""), "默认");
}

// A string value in the 64-bit view; "(none)" when the key or the value is missing.
std::string Stored(RegRoot root, const std::string& path, const std::string& name) {
  RegKey key;
  std::string value;
  if (RegKey::Open(root, path, platform::RegAccess::Read, RegView::Force64, key) != 0 ||
      key.ReadString(name, value) != 0)
    return "(none)";
  return value;
}

// Registry items name their root without case; a root that exists by name only is neither
// written nor read, so a machine value under the same path never shows in its place.
TEST_F(ConfigItemsTest, RegistryRootsByName) {
  const std::string user =
      "cfg_show:1;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\U;cfg_sect:hkey_current_user;cfg_name:V;cfg_value:d;";
  app->WriteConfigItem(user, "u1");
  EXPECT_EQ(Stored(RegRoot::CurrentUser, "SOFTWARE\\Velmora\\U", "V"), "u1");
  EXPECT_EQ(Stored(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\U", "V"), "(none)");
  EXPECT_EQ(app->ReadConfigItem(user, ""), "u1");

  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\D", RegView::Force64, key), 0);
  ASSERT_EQ(key.WriteString("V", "machine"), 0);
  for (const char* root : {"HKEY_DYN_DATA", "hkey_performance_data"}) {
    const std::string byName = std::string("cfg_show:1;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\D;cfg_sect:") + root +
                               ";cfg_name:V;cfg_value:d;";
    app->WriteConfigItem(byName, "x");
    EXPECT_EQ(Stored(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\D", "V"), "machine") << root;
    EXPECT_EQ(app->ReadConfigItem(byName, ""), "d") << root;
  }
}

// Hidden items are written silently with their configured values, a bare file name in the setup
// program's folder.
TEST_F(ConfigItemsTest, WriteHiddenConfigItems) {
  app->WriteHiddenConfigItems();
  EXPECT_EQ(platform::GetPrivateProfileString("G", "K", "", SetupEngineFixture::Host("C:\\Users\\Public\\Setup\\global.ini"),
                                              platform::ProfileCodePage::Ansi),
            "全局");
  EXPECT_EQ(app->ReadConfigItem(Record("def"), ""), "C:\\Apps\\T\\");
}

// A field missing from an item's record reads as empty, never as the record's first field: a
// hidden item without a configured value writes an empty value, an encrypted item without a key
// encrypts with the empty key, and an item with nothing stored and no value shows nothing.
TEST_F(ConfigItemsTest, MissingFieldsReadAsEmpty) {
  std::filesystem::create_directories(SetupEngineFixture::Host("C:\\Apps\\T"));
  const std::string ini = SetupEngineFixture::Host("C:\\Apps\\T\\m.ini");
  const auto stored = [&](const char* name) {
    return platform::GetPrivateProfileString("S", name, "(none)", ini, platform::ProfileCodePage::Ansi);
  };
  app->HiddenConfigItems = {
      "item:;itemtitle:;cfg:plain=cfg_show:0;cfg_type:0;cfg_file:<app_path>m.ini;cfg_sect:S;"
      "cfg_name:Plain;"};
  app->WriteHiddenConfigItems();
  EXPECT_EQ(stored("Plain"), "");

  const std::string secret =
      "cfg_show:1;cfg_type:0;cfg_file:<app_path>m.ini;cfg_sect:S;cfg_name:Secret;value_encrypt:1;cfg_title:口令;";
  app->WriteConfigItem(secret, "秘密");
  EXPECT_EQ(stored("Secret"), orvane::TVqAlgLib::EncryptText("秘密", ""));
  EXPECT_EQ(app->ReadConfigItem(secret, ""), "秘密");

  EXPECT_EQ(app->ReadConfigItem("cfg_show:1;cfg_type:1;cfg_title:空;", ""), "");
}

}  // namespace
