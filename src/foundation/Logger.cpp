#include "foundation/Logger.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "foundation/Clock.h"
#include "platform/ProgramInfo.h"
#include "platform/WinPath.h"

namespace tessaly {

std::atomic<TLogger*> Logger{nullptr};

namespace {

const char* LevelTag(int level) {
  switch (level) {
    case 0:
      return "[消息] ";
    case 1:
      return "[提示] ";
    case 2:
      return "[警告] ";
    case 3:
      return "[错误] ";
    default:
      return "";
  }
}

[[noreturn]] void ThrowErrno(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Writes everything, so each line is whole in the file when the call returns.
void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot write log file", path);
    }
    done += static_cast<std::size_t>(n);
  }
}

// WriteAll of the pieces joined, in one writev where the system takes it whole: a long line
// (a whole reply, say) is written from where it lies rather than copied first.
void WriteAllParts(int fd, std::initializer_list<std::string_view> parts, const std::string& path) {
  std::vector<iovec> io;
  for (const std::string_view part : parts)
    if (!part.empty()) io.push_back({const_cast<char*>(part.data()), part.size()});
  std::size_t first = 0;
  while (first < io.size()) {
    const ssize_t n = ::writev(fd, io.data() + first, static_cast<int>(io.size() - first));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot write log file", path);
    }
    auto left = static_cast<std::size_t>(n);
    while (first < io.size() && left >= io[first].iov_len) left -= io[first++].iov_len;
    if (first < io.size()) {
      io[first].iov_base = static_cast<char*>(io[first].iov_base) + left;
      io[first].iov_len -= left;
    }
  }
}

// Opens for appending, creating the file when missing; others may read and write it meanwhile.
int OpenForAppend(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) ThrowErrno("cannot open log file", path);
  return fd;
}

// Where the name part of a file name begins: after the last slash or backslash, or after a drive
// ("C:"); 0 when the name has no folder part.
std::size_t FileNameStart(const std::string& file) {
  const std::size_t sep = file.find_last_of("/\\");
  const std::size_t afterSep = sep == std::string::npos ? 0 : sep + 1;
  const bool drive = file.size() >= 2 && std::isalpha(static_cast<unsigned char>(file[0])) && file[1] == ':';
  return drive ? std::max<std::size_t>(afterSep, 2) : afterSep;
}

// snprintf into a string of the size it needs.
template <typename T>
std::string Printf(const std::string& format, T value) {
  const int n = std::snprintf(nullptr, 0, format.c_str(), value);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format.c_str(), value);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// Formats `arg` with one placeholder: '%', flags, width and precision, without length
// modifiers; `conv` is its conversion letter.
std::string FormatOne(const std::string& placeholder, char conv, const TLogArg& arg) {
  const auto Need = [&](TLogArg::Kind kind) {
    if (arg.kind() != kind) throw std::invalid_argument("log format: wrong value for %" + std::string(1, conv));
  };
  switch (conv) {
    case 'd':
    case 'i':
      Need(TLogArg::Kind::Integer);
      return Printf(placeholder + "ll" + conv, arg.integer());
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      Need(TLogArg::Kind::Integer);
      return Printf(placeholder + "ll" + conv, static_cast<unsigned long long>(arg.integer()));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      Need(TLogArg::Kind::Real);
      return Printf(placeholder + conv, arg.real());
    case 's':
      Need(TLogArg::Kind::Text);
      return Printf(placeholder + conv, arg.text().c_str());
    default:
      throw std::invalid_argument("log format: unknown conversion %" + std::string(1, conv));
  }
}

}  // namespace

std::string FormatLogText(const std::string& fmt, std::initializer_list<TLogArg> args) {
  std::string out;
  auto next = args.begin();
  std::size_t i = 0;
  while (i < fmt.size()) {
    if (fmt[i] != '%') {
      out += fmt[i++];
      continue;
    }
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    std::string placeholder = "%";
    ++i;
    while (i < fmt.size() && std::strchr("-+ #0", fmt[i]) != nullptr) placeholder += fmt[i++];
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') placeholder += fmt[i++];
    if (i < fmt.size() && fmt[i] == '.') {
      placeholder += fmt[i++];
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') placeholder += fmt[i++];
    }
    while (i < fmt.size() && std::strchr("hlLqjzt", fmt[i]) != nullptr) ++i;
    if (i >= fmt.size()) throw std::invalid_argument("log format: unfinished placeholder");
    if (next == args.end()) throw std::invalid_argument("log format: too few values");
    out += FormatOne(placeholder, fmt[i++], *next++);
  }
  return out;
}

TLogger::TLogger() { SetLogFileDir(platform::ProgramDir() + "log/"); }

TLogger::~TLogger() { CloseFile(); }

void TLogger::CloseFile() {
  if (FFileStream >= 0) ::close(FFileStream);
  FFileStream = -1;
}

void TLogger::WriteLog(const std::string& Log, int LogLevel) {
  std::shared_ptr<ILogView> view;
  std::string viewLine;
  std::exception_ptr fileError;
  {
    std::lock_guard<std::mutex> g(FCSLock);
    if (!FEnabled) return;
    if (FLogShower && !FShowerIsMemo) throw std::runtime_error("日志容器类型不支持:" + FShowerClass);
    const TDateTime now = GetClock().Now();
    if (FLogShower) {
      view = FLogShower;
      viewLine = Log.empty() ? std::string() : FormatDateTime("hh:nn:ss", now) + " " + Log;
    }
    if (LogLevel >= 0) {
      try {
        WriteFileLine(now, Log, LogLevel);
      } catch (...) {
        fileError = std::current_exception();
      }
    }
  }
  // Outside the lock: the view may log itself, and a slow view never holds up other threads.
  if (view) view->QueueLine(viewLine);
  if (fileError) std::rethrow_exception(fileError);
}

void TLogger::WriteLog(const std::string& Log, std::initializer_list<TLogArg> Args, int LogLevel) {
  WriteLog(FormatLogText(Log, Args), LogLevel);
}

void TLogger::WriteSplit() { WriteLog(std::string(), 0); }

void TLogger::WriteFileLine(TDateTime now, const std::string& Log, int LogLevel) {
  const std::string name = FLogNamePer + FormatDateTime(FByHour ? "yyyymmddHH" : "yyyymmdd", now) + ".log";
  if (name != FLogName) {
    CloseFile();
    // The name is kept only once its file is open, so a failed open is retried by the next line.
    FLogName.clear();
    FFileStream = OpenForAppend(FLogFileDir + name);
    FLogName = name;
  }
  const std::string head = Log.empty() ? std::string() : FormatDateTime("hh:nn:ss.zzz", now) + " " + LevelTag(LogLevel);
  WriteAllParts(FFileStream, {head, Log, "\r\n"}, FLogFileDir + FLogName);
}

void TLogger::WriteFile(const std::string& aFile, const std::string& aText) {
  const std::size_t nameStart = FileNameStart(aFile);
  if (nameStart == aFile.size()) return;
  std::lock_guard<std::mutex> g(FCFLock);
  const std::string path = nameStart == 0 ? FLogFileDir + aFile : platform::HostPath(aFile);
  const int fd = OpenForAppend(path);
  try {
    WriteAll(fd, aText + "\r\n", path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

bool TLogger::Enabled() const {
  std::lock_guard<std::mutex> g(FCSLock);
  return FEnabled;
}

void TLogger::SetEnabled(bool value) {
  std::lock_guard<std::mutex> g(FCSLock);
  FEnabled = value;
}

bool TLogger::ByHour() const {
  std::lock_guard<std::mutex> g(FCSLock);
  return FByHour;
}

void TLogger::SetByHour(bool value) {
  std::lock_guard<std::mutex> g(FCSLock);
  FByHour = value;
}

std::string TLogger::LogFilenamePer() const {
  std::lock_guard<std::mutex> g(FCSLock);
  return FLogNamePer;
}

void TLogger::SetLogFilenamePer(const std::string& value) {
  std::lock_guard<std::mutex> g(FCSLock);
  FLogNamePer = value;
}

std::string TLogger::LogFileDir() const {
  std::lock_guard<std::mutex> g(FCSLock);
  return FLogFileDir;
}

void TLogger::SetLogFileDir(const std::string& value) {
  std::error_code ec;
  std::filesystem::create_directories(value, ec);
  if (value.empty() || !std::filesystem::is_directory(value, ec))
    throw std::runtime_error("日志路径错误，日志类对象不能被创建");
  std::scoped_lock g(FCSLock, FCFLock);
  FLogFileDir = value;
}

std::shared_ptr<ILogView> TLogger::LogShower() const {
  std::lock_guard<std::mutex> g(FCSLock);
  return FLogShower;
}

void TLogger::SetLogShower(std::shared_ptr<ILogView> value) {
  // Asked before taking the lock: the view is never called under it.
  const bool isMemo = value ? value->IsMemo() : true;
  std::string className = value ? value->ClassName() : std::string();
  std::lock_guard<std::mutex> g(FCSLock);
  FLogShower = std::move(value);
  FShowerIsMemo = isMemo;
  FShowerClass = std::move(className);
}

bool InitGlobalLogger(std::string& aErro) {
  TLogger* logger = Logger.load();
  if (logger == nullptr) {
    try {
      logger = new TLogger();
    } catch (const std::exception& e) {
      aErro = e.what();
      return false;
    }
    Logger.store(logger);
  }
  logger->SetLogFilenamePer("Tessaly");
  logger->SetEnabled(true);
  try {
    logger->WriteSplit();
  } catch (const std::exception&) {
    // A log file that cannot be opened now is tried again with the next line; the agent runs on.
  }
  return true;
}

void FreeGlobalLogger() { delete Logger.exchange(nullptr); }

}  // namespace tessaly
