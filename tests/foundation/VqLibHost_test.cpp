#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <regex>
#include <set>

#include "foundation/UiHooks.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetHelperUtil.h"
#include "platform/Process.h"
#include "support/MachineRootFixture.h"
#include "support/MachineRootLog.h"

namespace {

using namespace tessaly;

// GUIDs are fresh, upper case and without braces.
TEST(VqLibHost, GuidForm) {
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::string g = TvqLib::GetGUID();
    EXPECT_TRUE(std::regex_match(g, form)) << g;
    seen.insert(g);
  }
  EXPECT_EQ(seen.size(), 20u);
}

// Host identity in the forms the platform expects.
TEST(VqLibHost, HostIdentityForms) {
  const std::string mac = TvqLib::GetMacAddress();
  EXPECT_TRUE(mac.empty() || std::regex_match(mac, std::regex("[0-9A-F]{12}"))) << mac;
  EXPECT_EQ(TvqLib::GetMacAddress(), mac);
  const std::string host = TvqLib::GetHostName();
  EXPECT_FALSE(host.empty());
  EXPECT_LE(host.size(), 15u);
  std::string ip;
  if (VqNetHelperUtil::GetLocalIPv4(ip)) {
    EXPECT_TRUE(std::regex_match(ip, std::regex(R"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})"))) << ip;
    EXPECT_EQ(TvqLib::GetLocalIP(), ip);
  } else {
    EXPECT_EQ(TvqLib::GetLocalIP(), "");
  }
}

// Folder listings: pattern without case, "thumbs.db" names skipped, sub-folders the pattern
// matches walked in name order, full paths in the caller's form.
TEST(VqLibHost, GetDirFiles) {
  vqtest::MachineRootFixture machine;
  const std::string base = machine.root() + "/drive_c/Data";
  for (const char* f : {"b.TXT", "a.txt", "README", "thumbs.db", "x.thumbs.db.txt", "c.log", "sub.txt/inner.txt",
                        "sub.txt/deeper.txt/z.txt", "other/hidden.txt"})
    vqtest::WriteFileBytes(base + "/" + f, "");
  struct Case {
    const char* path;
    const char* pattern;
    bool recurse;
    std::vector<std::string> files;
  } cases[] = {
      {"C:\\Data", "*.txt", false, {"C:\\Data\\a.txt", "C:\\Data\\b.TXT"}},
      {"C:\\data\\", "*.TXT", true,
       {"C:\\data\\a.txt", "C:\\data\\b.TXT", "C:\\data\\sub.txt\\inner.txt", "C:\\data\\sub.txt\\deeper.txt\\z.txt"}},
      {"C:\\Data", "", false, {"C:\\Data\\a.txt", "C:\\Data\\b.TXT", "C:\\Data\\c.log", "C:\\Data\\README"}},
      {"C:\\Data", "?.log", false, {"C:\\Data\\c.log"}},
      {base.c_str(), "c.*", false, {base + "/c.log"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> files{"kept"};
    EXPECT_EQ(TvqLib::GetDirFiles(c.path, files, c.pattern, c.recurse), 0) << c.path << " " << c.pattern;
    files.erase(files.begin());
    EXPECT_EQ(files, c.files) << c.path << " " << c.pattern;
  }
  std::vector<std::string> files;
  EXPECT_EQ(TvqLib::GetDirFiles("", files, "", false), -1);
  EXPECT_EQ(TvqLib::GetDirFiles("C:\\Nowhere", files, "", true), -1);
  EXPECT_TRUE(files.empty());
}

// A folder's own files all come before anything from its sub-folders, even a sub-folder whose
// name sorts before them.
TEST(VqLibHost, GetDirFilesListsFilesBeforeRecursing) {
  vqtest::TempDir dir;
  for (const char* f : {"a/inner.txt", "a/b/deep.txt", "b.txt", "c/z.txt", "d.txt"})
    vqtest::WriteFileBytes(dir.file(f), "");
  const std::string base = dir.path() + "/";
  std::vector<std::string> files;
  ASSERT_EQ(TvqLib::GetDirFiles(dir.path(), files, "*", true), 0);
  EXPECT_EQ(files, (std::vector<std::string>{base + "b.txt", base + "d.txt", base + "a/inner.txt",
                                             base + "a/b/deep.txt", base + "c/z.txt"}));
}

// The executable name of a process by id.
TEST(VqLibHost, AppNameById) {
  EXPECT_EQ(TvqLib::GetAppNameById(getpid()), "foundation_VqLibHost_test");
  EXPECT_EQ(TvqLib::GetAppNameById(0x3ffffff), "");
}

// Without a desktop shell process nothing starts; with one the command line runs.
TEST(VqLibHost, ProcCreateNeedsTheDesktopShell) {
  vqtest::MachineRootFixture machine;
  vqtest::MachineRootLog log(false);
  vqtest::TempDir dir;
  const std::string marker = dir.file("ran");
  bool shellRuns = false;
  for (int pid : platform::ProcessIds())
    shellRuns = shellRuns || platform::ProcessExeName(pid).find("xplorer") != std::string::npos;
  if (!shellRuns) {
    EXPECT_FALSE(TvqLib::ProcCreate("/bin/touch " + marker));
    EXPECT_NE(log.Text().find("打开程序失败，未找到Explorer"), std::string::npos);
  }
  // A stand-in desktop shell: a copy of sleep named explorer.exe.
  const std::string shell = dir.file("explorer.exe");
  std::filesystem::copy_file("/bin/sleep", shell);
  std::filesystem::permissions(shell, std::filesystem::perms::owner_all);
  std::string error;
  ASSERT_TRUE(platform::StartDetached(shell, {"30"}, error)) << error;
  bool seen = false;
  for (int i = 0; i < 500 && !seen; ++i) {
    for (int pid : platform::ProcessIds()) seen = seen || platform::ProcessExeName(pid) == "explorer.exe";
    if (!seen) usleep(10000);
  }
  ASSERT_TRUE(seen);
  EXPECT_TRUE(TvqLib::ProcCreate("/bin/touch \"" + marker + "\""));
  for (int i = 0; i < 500 && access(marker.c_str(), F_OK) != 0; ++i) usleep(10000);
  EXPECT_EQ(access(marker.c_str(), F_OK), 0);
  for (int pid : platform::ProcessIds())
    if (platform::ProcessExeName(pid) == "explorer.exe") kill(pid, SIGTERM);
}

// Without a UI the boxes answer "no"; with hooks the UI's answers come through, and a failing
// foreground hook gives False.
TEST(VqLibHost, UiHandOffs) {
  vqtest::MachineRootFixture machine;
  vqtest::MachineRootLog log(false);
  EXPECT_FALSE(TvqLib::MsgQuery("确定退出吗？", "询问", ""));
  TvqLib::MsgBox("保存成功", "消息");
  EXPECT_NE(log.Text().find("消息：保存成功"), std::string::npos);
  EXPECT_FALSE(TvqLib::SetWindowForegroud(42));

  std::string shown;
  std::string clip;
  UiHooks::SetMsgBoxHook([&](const std::string& m, const std::string& t) { shown = t + "/" + m; });
  UiHooks::SetMsgQueryHook([](const std::string&, const std::string&, const std::string& r) { return r == "yes"; });
  UiHooks::SetCopyToClipHook([&](const std::string& t) { clip = t; });
  UiHooks::SetForegroundHook([](std::uintptr_t h) -> bool {
    if (h == 0) throw std::runtime_error("no window");
    return true;
  });
  TvqLib::MsgBox("m", "t");
  TvqLib::CopyToClip("复制");
  EXPECT_EQ(shown, "t/m");
  EXPECT_EQ(clip, "复制");
  EXPECT_TRUE(TvqLib::MsgQuery("q", "询问", "yes"));
  EXPECT_TRUE(TvqLib::SetWindowForegroud(42));
  EXPECT_FALSE(TvqLib::SetWindowForegroud(0));
  UiHooks::SetMsgBoxHook(nullptr);
  UiHooks::SetMsgQueryHook(nullptr);
  UiHooks::SetCopyToClipHook(nullptr);
  UiHooks::SetForegroundHook(nullptr);
}

}  // namespace
