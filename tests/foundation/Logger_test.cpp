#include "foundation/Logger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>
#include <type_traits>

#include "foundation/VqLibUtil.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using tessaly::TLogger;

tessaly::TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
  return tessaly::EncodeDateTime({y, mo, d, h, mi, s, ms});
}

// A capture that also runs `onLine` from inside the view call, so a test can act there.
class HookedView final : public vqtest::CapturedLogView {
 public:
  void QueueLine(const std::string& line) override {
    CapturedLogView::QueueLine(line);
    if (onLine) onLine(line);
  }
  std::function<void(const std::string&)> onLine;
};

// Paths of the files this process holds open.
std::vector<std::string> OpenFiles() {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const auto target = fs::read_symlink(e.path(), ec);
    if (!ec) out.push_back(target.string());
  }
  return out;
}

bool IsOpen(const std::string& path) {
  const auto files = OpenFiles();
  return std::find(files.begin(), files.end(), path) != files.end();
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
    lines.push_back(text.substr(start, p - start));
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

static_assert(std::is_same_v<decltype(tessaly::TvqLib::DetailLogEnabled), std::atomic<bool>>);

// The detail switch is off when the program loads.
TEST(VqLibLog, DetailLogIsOffAtLoad) { EXPECT_FALSE(tessaly::TvqLib::DetailLogEnabled.load()); }

// A program folder of its own and a stepped clock at 2020-07-17 09:41:07.052.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { clock_.SetNow(At(2020, 7, 17, 9, 41, 7, 52)); }
  void TearDown() override {
    tessaly::FreeGlobalLogger();
    tessaly::TvqLib::DetailLogEnabled = false;
  }
  [[nodiscard]] std::string LogPath(const std::string& name) const { return dir_.path() + "/log/" + name; }
  [[nodiscard]] std::string Day() const { return vqtest::ReadFileBytes(LogPath("Tessaly20200717.log")); }
  [[nodiscard]] bool LogFolderEmpty() const { return fs::is_empty(dir_.path() + "/log"); }
  // An enabled logger with the global prefix.
  std::unique_ptr<TLogger> MakeLogger(std::shared_ptr<tessaly::ILogView> view = nullptr) {
    auto l = std::make_unique<TLogger>();
    l->SetLogFilenamePer("Tessaly");
    l->SetEnabled(true);
    if (view) l->SetLogShower(std::move(view));
    return l;
  }

  vqtest::TempProgramDir dir_;
  vqtest::FakeClock clock_;
  vqtest::ScopedClock useClock_{clock_};
};

// File lines carry the time to the millisecond and the level's tag; the view gets the time to
// the second and the bare text; a level below 0 reaches the view only.
TEST_F(LoggerTest, LineFormsByLevel) {
  struct Case {
    int level;
    const char* text;
    const char* fileLine;  // nullptr: not in the file
  } cases[] = {
      {0, "zero", "09:41:07.052 [消息] zero\r\n"},  {1, "one", "09:41:07.052 [提示] one\r\n"},
      {2, "two", "09:41:07.052 [警告] two\r\n"},    {3, "three", "09:41:07.052 [错误] three\r\n"},
      {9, "[DM] nine", "09:41:07.052 [DM] nine\r\n"}, {4, "four", "09:41:07.052 four\r\n"},
      {-1, "view only", nullptr},                  {-7, "also view only", nullptr},
  };
  auto view = std::make_shared<vqtest::CapturedLogView>();
  auto logger = MakeLogger(view);
  std::string file;
  std::vector<std::string> shown;
  for (const auto& c : cases) {
    logger->WriteLog(c.text, c.level);
    if (c.fileLine) file += c.fileLine;
    shown.push_back(std::string("09:41:07 ") + c.text);
  }
  EXPECT_EQ(Day(), file);
  EXPECT_EQ(view->Lines(), shown);
}

// An empty text is a bare CR LF in the file and an empty view line, whatever the level.
TEST_F(LoggerTest, EmptyTextIsABareLine) {
  auto view = std::make_shared<vqtest::CapturedLogView>();
  auto logger = MakeLogger(view);
  logger->WriteSplit();
  logger->WriteLog("", 3);
  EXPECT_EQ(Day(), "\r\n\r\n");
  EXPECT_EQ(view->Lines(), (std::vector<std::string>{"", ""}));
}

// Chinese text goes to the file as UTF-8 bytes without a byte-order mark.
TEST_F(LoggerTest, TextIsUtf8WithoutBom) {
  auto logger = MakeLogger();
  logger->WriteLog("门店后台", 9);
  EXPECT_EQ(Day(), "09:41:07.052 门店后台\r\n");
}

// A disabled logger touches neither file nor view, and opens nothing; a new logger is disabled.
TEST_F(LoggerTest, DisabledWritesNothing) {
  auto view = std::make_shared<vqtest::CapturedLogView>();
  TLogger logger;
  EXPECT_FALSE(logger.Enabled());
  EXPECT_FALSE(logger.ByHour());
  EXPECT_EQ(logger.LogFilenamePer(), "");
  EXPECT_EQ(logger.LogFileDir(), dir_.path() + "/log/");
  logger.SetLogShower(view);
  logger.WriteLog("x", 9);
  logger.WriteSplit();
  EXPECT_TRUE(LogFolderEmpty());
  EXPECT_TRUE(view->Lines().empty());
}

// Level -1 neither opens a first file nor switches the open one at a day change.
TEST_F(LoggerTest, NegativeLevelOpensAndSwitchesNoFile) {
  auto view = std::make_shared<vqtest::CapturedLogView>();
  auto logger = MakeLogger(view);
  logger->WriteLog("only shown", -1);
  EXPECT_TRUE(LogFolderEmpty());
  logger->WriteLog("day one", 9);
  clock_.SetNow(At(2020, 7, 18, 0, 0, 1, 0));
  logger->WriteLog("next day, view only", -1);
  EXPECT_FALSE(fs::exists(LogPath("Tessaly20200718.log")));
  EXPECT_TRUE(IsOpen(LogPath("Tessaly20200717.log")));
  EXPECT_EQ(view->Lines().size(), 3u);
}

// The first line after midnight goes to the new day's file, and the old file is closed.
TEST_F(LoggerTest, DayRollover) {
  clock_.SetNow(At(2020, 7, 17, 23, 59, 59, 900));
  auto logger = MakeLogger();
  logger->WriteLog("before", 9);
  EXPECT_TRUE(IsOpen(LogPath("Tessaly20200717.log")));
  clock_.AdvanceMs(100);
  logger->WriteLog("after", 9);
  EXPECT_EQ(Day(), "23:59:59.900 before\r\n");
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("Tessaly20200718.log")), "00:00:00.000 after\r\n");
  EXPECT_FALSE(IsOpen(LogPath("Tessaly20200717.log")));
  EXPECT_TRUE(IsOpen(LogPath("Tessaly20200718.log")));
  logger.reset();
  EXPECT_FALSE(IsOpen(LogPath("Tessaly20200718.log")));
}

// With ByHour the name carries the hour 00-23 and each hour starts a file.
TEST_F(LoggerTest, HourRollover) {
  clock_.SetNow(At(2020, 7, 17, 5, 59, 59, 999));
  auto logger = MakeLogger();
  logger->SetByHour(true);
  logger->WriteLog("five", 9);
  clock_.AdvanceMs(1);
  logger->WriteLog("six", 9);
  clock_.SetNow(At(2020, 7, 17, 23, 0, 0, 0));
  logger->WriteLog("late", 9);
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("Tessaly2020071705.log")), "05:59:59.999 five\r\n");
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("Tessaly2020071706.log")), "06:00:00.000 six\r\n");
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("Tessaly2020071723.log")), "23:00:00.000 late\r\n");
  EXPECT_FALSE(IsOpen(LogPath("Tessaly2020071705.log")));
}

// An existing file is appended to, also by a later logger, and never truncated.
TEST_F(LoggerTest, ExistingFileIsAppended) {
  vqtest::WriteFileBytes(LogPath("Tessaly20200717.log"), "earlier run\r\n");
  MakeLogger()->WriteLog("first", 9);
  MakeLogger()->WriteLog("second", 9);
  EXPECT_EQ(Day(), "earlier run\r\n09:41:07.052 first\r\n09:41:07.052 second\r\n");
}

// A file that cannot be opened fails the line (the view still shows it), and the next line of
// the same day opens the file again instead of being lost.
TEST_F(LoggerTest, FailedOpenIsRetriedByTheNextLine) {
  auto view = std::make_shared<vqtest::CapturedLogView>();
  auto logger = MakeLogger(view);
  fs::create_directory(LogPath("Tessaly20200717.log"));
  EXPECT_THROW(logger->WriteLog("lost", 9), std::runtime_error);
  EXPECT_THROW(logger->WriteLog("lost too", 9), std::runtime_error);
  EXPECT_EQ(view->Lines(), (std::vector<std::string>{"09:41:07 lost", "09:41:07 lost too"}));
  fs::remove(LogPath("Tessaly20200717.log"));
  logger->WriteLog("kept", 9);
  EXPECT_EQ(Day(), "09:41:07.052 kept\r\n");
}

// A failed open after a day change also closes the old file and is retried on the new day's name.
TEST_F(LoggerTest, FailedOpenAfterRolloverIsRetried) {
  auto logger = MakeLogger();
  logger->WriteLog("day one", 9);
  fs::create_directory(LogPath("Tessaly20200718.log"));
  clock_.SetNow(At(2020, 7, 18, 8, 0, 0, 0));
  EXPECT_THROW(logger->WriteLog("lost", 9), std::runtime_error);
  EXPECT_FALSE(IsOpen(LogPath("Tessaly20200717.log")));
  fs::remove(LogPath("Tessaly20200718.log"));
  logger->WriteLog("day two", 9);
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("Tessaly20200718.log")), "08:00:00.000 day two\r\n");
  EXPECT_EQ(Day(), "09:41:07.052 day one\r\n");
}

// A view that is not a memo fails every line with its class name; neither view nor file gets it.
TEST_F(LoggerTest, UnsupportedViewKindFails) {
  auto view = std::make_shared<vqtest::CapturedLogView>("TListBox");
  auto logger = MakeLogger(view);
  for (int level : {9, 0, -1}) {
    try {
      logger->WriteLog("x", level);
      ADD_FAILURE() << "no error at level " << level;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "日志容器类型不支持:TListBox");
    }
  }
  EXPECT_TRUE(view->Lines().empty());
  EXPECT_TRUE(LogFolderEmpty());
  logger->SetLogShower(nullptr);
  logger->WriteLog("y", 9);
  EXPECT_EQ(Day(), "09:41:07.052 y\r\n");
}

// A log folder that cannot be created fails the logger's creation with the folder error text.
TEST_F(LoggerTest, UncreatableFolderFailsCreation) {
  vqtest::WriteFileBytes(dir_.file("log"), "a file where the folder should be");
  try {
    TLogger logger;
    ADD_FAILURE() << "created";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "日志路径错误，日志类对象不能被创建");
  }
  std::string erro;
  EXPECT_FALSE(tessaly::InitGlobalLogger(erro));
  EXPECT_EQ(erro, "日志路径错误，日志类对象不能被创建");
  EXPECT_EQ(tessaly::Logger.load(), nullptr);
}

// The LogFileDir setter creates missing parents and the lines then go there.
TEST_F(LoggerTest, LogFileDirCreatesParents) {
  auto logger = MakeLogger();
  const std::string deep = dir_.path() + "/a/b/c/";
  logger->SetLogFileDir(deep);
  EXPECT_TRUE(fs::is_directory(deep));
  logger->WriteLog("deep", 9);
  EXPECT_EQ(vqtest::ReadFileBytes(deep + "Tessaly20200717.log"), "09:41:07.052 deep\r\n");
}

// The view is called after the logger's lock is released: another thread can log from inside
// the view call without waiting for it to return.
TEST_F(LoggerTest, ViewIsCalledOutsideTheLock) {
  auto view = std::make_shared<HookedView>();
  auto logger = MakeLogger(view);
  bool innerDone = false;
  view->onLine = [&](const std::string& line) {
    if (line != "09:41:07 outer") return;
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    std::thread inner([&logger, done] {
      logger->WriteLog("inner", 9);
      done->set_value();
    });
    // A hang guard only: with the lock held the inner call could never finish here.
    innerDone = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (innerDone) inner.join(); else inner.detach();
  };
  logger->WriteLog("outer", 9);
  ASSERT_TRUE(innerDone);
  EXPECT_EQ(Day(), "09:41:07.052 outer\r\n09:41:07.052 inner\r\n");
  EXPECT_EQ(view->Lines(), (std::vector<std::string>{"09:41:07 outer", "09:41:07 inner"}));
}

// Lines of several threads never interleave, and each thread's lines keep their order in file and view.
TEST_F(LoggerTest, ConcurrentWritersKeepLinesWhole) {
  constexpr int kThreads = 8;
  constexpr int kLines = 400;
  auto view = std::make_shared<vqtest::CapturedLogView>();
  auto logger = MakeLogger(view);
  const std::string payload(64, 'p');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        logger->WriteLog("w" + std::to_string(t) + " n" + std::to_string(i) + " " + payload, 9);
    });
  for (auto& th : threads) th.join();

  const auto Check = [&](const std::vector<std::string>& lines, const std::string& time) {
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (const auto& line : lines) {
      int t = -1, i = -1;
      ASSERT_EQ(std::sscanf(line.c_str() + time.size(), " w%d n%d", &t, &i), 2) << line;
      ASSERT_TRUE(t >= 0 && t < kThreads) << line;
      EXPECT_EQ(line, time + " w" + std::to_string(t) + " n" + std::to_string(i) + " " + payload);
      EXPECT_EQ(i, next[t]++) << line;
    }
  };
  Check(SplitCrLf(Day()), "09:41:07.052");
  Check(view->Lines(), "09:41:07");
}

// The printf-style form formats its values before writing.
TEST_F(LoggerTest, PrintfStyleForm) {
  auto logger = MakeLogger();
  logger->WriteLog("%s=%d, %.2f, %05x %% %-3s|", {"a", 42, 3.14159, 255, std::string("b")}, 1);
  EXPECT_EQ(Day(), "09:41:07.052 [提示] a=42, 3.14, 000ff % b  |\r\n");
  const std::string longText(5000, 'q');
  EXPECT_EQ(tessaly::FormatLogText("<%s>%700d", {longText, 1}),
            "<" + longText + ">" + std::string(699, ' ') + "1");
}

// A placeholder without a fitting value is an error, and nothing is written.
TEST_F(LoggerTest, PrintfStyleFormErrors) {
  struct Case {
    const char* fmt;
    std::initializer_list<tessaly::TLogArg> args;
  } cases[] = {
      {"%d", {"text"}}, {"%s", {5}}, {"%f", {5}}, {"%d %d", {1}}, {"%y", {1}}, {"tail %", {1}}, {"%s", {}},
  };
  auto logger = MakeLogger();
  for (const auto& c : cases)
    EXPECT_THROW(logger->WriteLog(c.fmt, c.args, 9), std::invalid_argument) << c.fmt;
  EXPECT_TRUE(LogFolderEmpty());
  EXPECT_EQ(tessaly::FormatLogText("%ld extra ignored", {7L, 8}), "7 extra ignored");
}

// WriteFile appends text + CR LF: a bare name inside the log folder, a path as given, an empty
// name part nowhere.
TEST_F(LoggerTest, WriteFileAppends) {
  auto logger = MakeLogger();
  logger->WriteFile("extra.txt", "one");
  logger->WriteFile("extra.txt", "两");
  EXPECT_EQ(vqtest::ReadFileBytes(LogPath("extra.txt")), "one\r\n两\r\n");
  const std::string elsewhere = dir_.file("other.txt");
  vqtest::WriteFileBytes(elsewhere, "kept\r\n");
  logger->WriteFile(elsewhere, "more");
  EXPECT_EQ(vqtest::ReadFileBytes(elsewhere), "kept\r\nmore\r\n");
  logger->WriteFile("", "nothing");
  logger->WriteFile(dir_.path() + "/sub/", "nothing");
  EXPECT_FALSE(fs::exists(dir_.path() + "/sub"));
  EXPECT_THROW(logger->WriteFile(dir_.path() + "/missing/x.txt", "no folder"), std::runtime_error);
  EXPECT_FALSE(IsOpen(LogPath("extra.txt")));
}

// A Windows path has a folder part ('\' or the drive) and lands in the machine's drive folder,
// not in the log folder; one whose name part is empty writes nothing.
TEST_F(LoggerTest, WriteFileTakesWindowsPaths) {
  vqtest::MachineRootFixture machine;
  auto logger = MakeLogger();
  const std::string data = machine.root() + "/drive_c/Data";
  fs::create_directories(data);
  logger->WriteFile("C:\\Data\\x.txt", "one");
  logger->WriteFile("c:/Data/x.txt", "two");
  EXPECT_EQ(vqtest::ReadFileBytes(data + "/x.txt"), "one\r\ntwo\r\n");
  logger->WriteFile("C:\\Data\\", "nothing");
  logger->WriteFile("C:", "nothing");
  EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_empty(machine.programDir() + "log"));
}

// Program start creates the global logger once, enabled with the prefix "Tessaly", and each
// start writes an empty line into the day's file.
TEST_F(LoggerTest, GlobalLoggerStart) {
  std::string erro;
  ASSERT_TRUE(tessaly::InitGlobalLogger(erro));
  TLogger* first = tessaly::Logger.load();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Enabled());
  EXPECT_EQ(first->LogFilenamePer(), "Tessaly");
  ASSERT_TRUE(tessaly::InitGlobalLogger(erro));
  EXPECT_EQ(tessaly::Logger.load(), first);
  EXPECT_EQ(Day(), "\r\n\r\n");
  tessaly::FreeGlobalLogger();
  EXPECT_EQ(tessaly::Logger.load(), nullptr);
}

// A start whose log file cannot be opened still starts, and later lines reach the file.
TEST_F(LoggerTest, GlobalLoggerStartsDespiteAnUnopenableFile) {
  fs::create_directories(LogPath("Tessaly20200717.log"));
  std::string erro;
  ASSERT_TRUE(tessaly::InitGlobalLogger(erro));
  fs::remove(LogPath("Tessaly20200717.log"));
  tessaly::Logger.load()->WriteLog("up", 9);
  EXPECT_EQ(Day(), "09:41:07.052 up\r\n");
}

// TvqLib::Log writes lines without aIsLog only while detailed logging is on, aIsLog lines always.
TEST_F(LoggerTest, LibLogObeysTheDetailSwitch) {
  struct Case {
    bool isLog, detail, written;
  } cases[] = {{false, false, false}, {false, true, true}, {true, false, true}, {true, true, true}};
  std::string erro;
  ASSERT_TRUE(tessaly::InitGlobalLogger(erro));
  std::string want = "\r\n";
  for (const auto& c : cases) {
    tessaly::TvqLib::DetailLogEnabled = c.detail;
    const std::string text =
        std::string("isLog=") + (c.isLog ? "1" : "0") + " detail=" + (c.detail ? "1" : "0");
    tessaly::TvqLib::Log(text, c.isLog, 3);
    if (c.written) want += "09:41:07.052 [错误] " + text + "\r\n";
  }
  tessaly::TvqLib::Log("default level", true);
  want += "09:41:07.052 default level\r\n";
  EXPECT_EQ(Day(), want);
}

// TvqLib::Log never throws: not with a failing view, a failing file, or no logger at all.
TEST_F(LoggerTest, LibLogSwallowsErrors) {
  EXPECT_NO_THROW(tessaly::TvqLib::Log("no logger yet", true));
  std::string erro;
  ASSERT_TRUE(tessaly::InitGlobalLogger(erro));
  tessaly::Logger.load()->SetLogShower(std::make_shared<vqtest::CapturedLogView>("TEdit"));
  EXPECT_NO_THROW(tessaly::TvqLib::Log("bad view", true));
  tessaly::Logger.load()->SetLogShower(nullptr);
  clock_.SetNow(At(2020, 7, 19, 1, 0, 0, 0));
  fs::create_directory(LogPath("Tessaly20200719.log"));
  EXPECT_NO_THROW(tessaly::TvqLib::Log("bad file", true));
}

// The memo keeps lines 0 to 999; the next line empties it, itself included, and it starts again.
TEST(LogViewLines, EmptiesAtTheThousandthLine) {
  tessaly::TLogViewLines memo;
  for (int i = 0; i < 1000; ++i) ASSERT_FALSE(memo.Add()) << i;
  ASSERT_EQ(memo.Count(), 1000u);
  EXPECT_TRUE(memo.Add());
  EXPECT_EQ(memo.Count(), 0u);
  EXPECT_FALSE(memo.Add());
  EXPECT_EQ(memo.Count(), 1u);
  for (int i = 1; i < 1000; ++i) ASSERT_FALSE(memo.Add()) << i;
  EXPECT_TRUE(memo.Add());
}

}  // namespace
