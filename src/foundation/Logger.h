#pragma once
// The agent's one log writer (module LoggerUtil). Each line goes, as UTF-8 with CR LF, to the
// file of the day ("<prefix>yyyymmdd.log", or of the hour with ByHour) in the program's log
// folder, and is mirrored into the live view when one is set. Time comes from GetClock().
//
// Threads: every operation may be called from any thread. WriteLog is serialised by FCSLock
// (lines never interleave; file order is lock order); WriteFile has its own FCFLock. The view is
// called after FCSLock is released, so a view may log or take its own locks freely.
// Errors are thrown as std::exception to the caller (TvqLib::Log swallows them).
#include <atomic>
#include <concepts>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/DateTime.h"
#include "foundation/LogView.h"

namespace tessaly {

// One value for the printf-style form of WriteLog: integers for %d %i %u %x %X %o,
// floating point for %f %e %g (and upper-case forms), texts for %s.
class TLogArg {
 public:
  enum class Kind { Integer, Real, Text };
  template <std::integral T>
  TLogArg(T v) : kind_(Kind::Integer), int_(static_cast<long long>(v)) {}
  TLogArg(double v) : kind_(Kind::Real), real_(v) {}
  TLogArg(const char* v) : kind_(Kind::Text), text_(v ? v : "") {}
  TLogArg(std::string v) : kind_(Kind::Text), text_(std::move(v)) {}

  [[nodiscard]] Kind kind() const { return kind_; }
  [[nodiscard]] long long integer() const { return int_; }
  [[nodiscard]] double real() const { return real_; }
  [[nodiscard]] const std::string& text() const { return text_; }

 private:
  Kind kind_;
  long long int_ = 0;
  double real_ = 0;
  std::string text_;
};

// Formats `fmt` with `args` as printf does; throws std::invalid_argument for a placeholder
// without a value of its kind or an unknown conversion. Extra values are ignored.
[[nodiscard]] std::string FormatLogText(const std::string& fmt, std::initializer_list<TLogArg> args);

class TLogger {
 public:
  // Disabled, no view, no file; LogFileDir is the program folder + "log/", created here.
  // Throws std::runtime_error("日志路径错误，日志类对象不能被创建") when it cannot be created.
  TLogger();
  ~TLogger();
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  // One line: the view gets "hh:nn:ss text", the file "hh:nn:ss.zzz [tag]text" + CR LF (an
  // empty text: an empty view line and a bare CR LF). Tags: 0 "[消息] ", 1 "[提示] ",
  // 2 "[警告] ", 3 "[错误] ", other levels >= 0 none; below 0 the view only.
  // Nothing at all while disabled. A view that is no memo makes every call throw
  // "日志容器类型不支持:" + its class name, before anything is written or shown. When the file
  // cannot be opened the view still gets the line, the call throws, and the next line tries
  // the open again.
  void WriteLog(const std::string& Log, int LogLevel);
  // WriteLog of FormatLogText(Log, Args).
  void WriteLog(const std::string& Log, std::initializer_list<TLogArg> Args, int LogLevel);
  // An empty line, at level 0, in the file and in the view.
  void WriteSplit();
  // Appends aText + CR LF to aFile (taken inside LogFileDir when it has no folder part; '/', '\'
  // and a drive "X:" make folder parts, and Windows paths go through platform::HostPath),
  // opening and closing it; nothing when the file name part is empty.
  void WriteFile(const std::string& aFile, const std::string& aText);

  [[nodiscard]] bool Enabled() const;
  void SetEnabled(bool value);
  [[nodiscard]] bool ByHour() const;
  void SetByHour(bool value);
  [[nodiscard]] std::string LogFilenamePer() const;
  void SetLogFilenamePer(const std::string& value);
  // The log folder, ending with '/'. The setter creates it with any missing parents and throws
  // the folder error above when it cannot.
  [[nodiscard]] std::string LogFileDir() const;
  void SetLogFileDir(const std::string& value);
  // The view, or none. The logger shares it so a line being delivered keeps it alive; the
  // shell's implementation drops lines once its control has gone.
  [[nodiscard]] std::shared_ptr<ILogView> LogShower() const;
  void SetLogShower(std::shared_ptr<ILogView> value);

 private:
  // Opens the file of `now` unless it is the open one, then appends the line. Needs FCSLock.
  void WriteFileLine(TDateTime now, const std::string& Log, int LogLevel);
  void CloseFile();  // needs FCSLock

  mutable std::mutex FCSLock;  // the write-log lock
  std::mutex FCFLock;          // the write-file lock
  int FFileStream = -1;        // guarded by FCSLock; descriptor of the open log file
  std::shared_ptr<ILogView> FLogShower;  // guarded by FCSLock
  bool FShowerIsMemo = true;             // guarded by FCSLock; asked once, when the view is set
  std::string FShowerClass;              // guarded by FCSLock
  std::string FLogName;     // guarded by FCSLock; name of the open file, empty when none is open
  std::string FLogNamePer;  // guarded by FCSLock
  bool FEnabled = false;    // guarded by FCSLock
  bool FByHour = false;     // guarded by FCSLock
  std::string FLogFileDir;  // written under both locks, read under either
};

// The one instance. Created by InitGlobalLogger at program start, freed by FreeGlobalLogger at
// exit, both while no other thread runs; any thread may use it in between.
extern std::atomic<TLogger*> Logger;

// Creates Logger unless it exists, sets the prefix "Tessaly", enables it and writes the empty
// start line. False with the reason in aErro when the logger cannot be created.
[[nodiscard]] bool InitGlobalLogger(std::string& aErro);
void FreeGlobalLogger();

}  // namespace tessaly
