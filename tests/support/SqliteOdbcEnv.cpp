#include "support/SqliteOdbcEnv.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace vqtest {
namespace {

std::string FindDriverLibrary() {
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc", "/usr/lib/odbc",
                          "/usr/lib64/odbc"}) {
    const std::string path = std::string(dir) + "/libsqlite3odbc.so";
    if (std::filesystem::exists(path)) return path;
  }
  return {};
}

}  // namespace

const SqliteOdbcEnv& SqliteOdbcEnv::Instance() {
  static const SqliteOdbcEnv env;
  return env;
}

SqliteOdbcEnv::SqliteOdbcEnv() : library_(FindDriverLibrary()) {
  std::setlocale(LC_ALL, "C.UTF-8");
  std::string ini;
  for (const char* name : {"SQLite3", "ODBC Driver 17 for SQL Server"}) {
    ini += std::string("[") + name + "]\nDriver=" + library_ + "\n\n";
  }
  WriteFileBytes(dir_.file("odbcinst.ini"), ini);
  WriteFileBytes(dir_.file("odbc.ini"), "");
  setenv("ODBCSYSINI", dir_.path().c_str(), 1);
}

}  // namespace vqtest
