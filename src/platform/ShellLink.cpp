#include "platform/ShellLink.h"

#include "platform/AtomicFile.h"
#include "platform/Process.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

bool IsAddress(const std::string& target) {
  const auto colon = target.find("://");
  return colon != std::string::npos && colon > 1 && target.find_first_of("\\/") > colon;
}

// A string value: backslash, line breaks and tabs escaped.
std::string EscapeValue(const std::string& s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

// One argument of an Exec line: quoted when it holds a reserved character; inside quotes '"',
// '`', '$' and '\' take a backslash; '%' is always doubled, since it starts a field code.
std::string QuoteArgument(const std::string& arg) {
  static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`=";
  std::string body;
  for (const char c : arg) {
    if (c == '%') {
      body += "%%";
    } else {
      body += c;
    }
  }
  if (!arg.empty() && arg.find_first_of(kReserved) == std::string::npos) return body;
  std::string quoted = "\"";
  for (const char c : body) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string DesktopEntryOf(const ShellLink& link, const std::string& name) {
  std::string out = "[Desktop Entry]\n";
  if (IsAddress(link.target)) {
    out += "Type=Link\nName=" + EscapeValue(name) + "\nURL=" + EscapeValue(link.target) + "\n";
  } else {
    std::string exec = QuoteArgument(HostPath(link.target));
    for (const std::string& a : SplitCommandLine(link.arguments)) exec += " " + QuoteArgument(a);
    out += "Type=Application\nName=" + EscapeValue(name) + "\nExec=" + EscapeValue(exec) + "\n";
    if (!link.workingDir.empty()) out += "Path=" + EscapeValue(HostPath(link.workingDir)) + "\n";
  }
  if (!link.iconFile.empty()) out += "Icon=" + EscapeValue(HostPath(link.iconFile)) + "\n";
  if (!link.description.empty()) out += "Comment=" + EscapeValue(link.description) + "\n";
  return out;
}

long SaveShellLink(const ShellLink& link, const std::string& linkPath) {
  const std::string host = HostPath(linkPath);
  const auto slash = host.find_last_of('/');
  std::string name = slash == std::string::npos ? host : host.substr(slash + 1);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lnk") == 0) name.resize(name.size() - 4);
  return ReplaceFileContents(host, DesktopEntryOf(link, name));
}

}  // namespace platform
