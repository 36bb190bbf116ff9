#pragma once
// The package thread: writes one package resource of the program to a file in the cache folder,
// through a temporary file that is then renamed, and reports on the status word (1 while it
// runs, 2 when its steps are done, 3 after an error) and in the setup log. A missing resource or
// a failed rename still ends with 2: the reader of the package finds the file missing later.
// The engine owns its package threads and joins them before it removes the cache folder.
#include <string>
#include <thread>

#include "setup/core/VqSign.h"

namespace orvane {

class TZipThread {
 public:
  // Starts at once. `sign` must outlive the thread.
  TZipThread(std::string resource, std::string target, TvqSign& sign);
  // Joins.
  ~TZipThread();
  TZipThread(const TZipThread&) = delete;
  TZipThread& operator=(const TZipThread&) = delete;

 private:
  void Run();

  std::string resource_;
  std::string target_;
  TvqSign& sign_;
  std::thread thread_;
};

}  // namespace orvane
