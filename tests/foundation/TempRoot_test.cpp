// The test processes' own temporary folders: removed whole, whatever a test did to them, and
// gone when a test program ends, however it ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/TempRoot.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kEndVariable = "VQ_TEMP_ROOT_END";        // pass, fail or abort
constexpr const char* kReportVariable = "VQ_TEMP_ROOT_REPORT";  // file that receives the root

// The test of the child program: it fills a folder, reports its process's folder and ends the
// way the parent asked, the folder still in use.
class ChildEnds : public ::testing::Test {
 public:
  explicit ChildEnds(std::string end) : end_(std::move(end)) {}
  void TestBody() override {
    const vqtest::TempDir dir;
    vqtest::WriteFileBytes(dir.file("sub/file.txt"), "in use");
    vqtest::WriteFileBytes(std::getenv(kReportVariable), vqtest::ProcessTempRoot());
    if (end_ == "fail") ADD_FAILURE() << "failing on purpose";
    if (end_ != "abort") return;
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::abort();
  }

 private:
  std::string end_;
};

// Only a child started by the test below has this test at all.
[[maybe_unused]] const bool kChildRegistered = [] {
  const char* end = std::getenv(kEndVariable);
  if (end == nullptr) return false;
  ::testing::RegisterTest("TempRootChild", "Ends", nullptr, nullptr, __FILE__, __LINE__,
                          [end = std::string(end)]() -> ::testing::Test* { return new ChildEnds(end); });
  return true;
}();

// Runs this program as that child; its wait status.
int RunChild(const std::string& end, const std::string& report) {
  std::vector<std::string> env = {std::string(kEndVariable) + "=" + end, std::string(kReportVariable) + "=" + report};
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string filter = "--gtest_filter=TempRootChild.Ends";
  char* argv[] = {self.data(), filter.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  return ::waitpid(child, &status, 0) == child ? status : -1;
}

struct EndCase {
  std::string End;
  bool Exited;  // else ended by SIGABRT
  int ExitCode;
};

// A test program's folder is gone after it ended with its tests passed, with one failed, and
// when an abort ended it in the middle of a test.
TEST(TempRoot, GoneHoweverTheProgramEnds) {
  const vqtest::TempDir reports;
  for (const auto& c : std::vector<EndCase>{{"pass", true, 0}, {"fail", true, 1}, {"abort", false, 0}}) {
    SCOPED_TRACE(c.End);
    const std::string report = reports.file(c.End + ".txt");
    const int status = RunChild(c.End, report);
    ASSERT_EQ(WIFEXITED(status), c.Exited) << status;
    EXPECT_EQ(c.Exited ? WEXITSTATUS(status) : WTERMSIG(status), c.Exited ? c.ExitCode : SIGABRT) << status;
    const std::string root = vqtest::ReadFileBytes(report);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(fs::path(root).parent_path(), fs::path(vqtest::ProcessTempRoot()).parent_path());
    EXPECT_FALSE(fs::exists(root)) << root;
  }
  EXPECT_TRUE(fs::is_directory(vqtest::ProcessTempRoot()));  // the children left ours alone
}

// A folder is removed whole although a test made parts of it read-only or unreadable, and its
// links are removed without touching what they point at.
TEST(TempRoot, RemoveTreeTakesEverythingButLinkTargets) {
  const vqtest::TempDir dir;
  const std::string decoy = dir.file("decoy/keep.txt");
  vqtest::WriteFileBytes(decoy, "keep");
  const std::string tree = dir.file("tree");
  vqtest::WriteFileBytes(tree + "/a/b/file.txt", "x");
  vqtest::WriteFileBytes(tree + "/read-only/file.txt", "x");
  vqtest::WriteFileBytes(tree + "/closed/sub/file.txt", "x");
  ASSERT_EQ(::chmod((tree + "/read-only").c_str(), 0555), 0);
  ASSERT_EQ(::chmod((tree + "/closed").c_str(), 0), 0);
  fs::create_directory_symlink(dir.file("decoy"), tree + "/folder-link");
  fs::create_symlink(decoy, tree + "/file-link");

  vqtest::RemoveTree(tree.c_str());
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_EQ(vqtest::ReadFileBytes(decoy), "keep");
}

}  // namespace
