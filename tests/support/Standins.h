#pragma once
// The stand-in program and component library (tests/support/program_standin), placed into the
// current machine root so that the host layer treats them as the machine's own programs.
#include <string>

#include "support/WaitUntil.h"  // tests poll the stand-ins they start

namespace vqtest {

// Host paths of the built stand-ins.
[[nodiscard]] std::string ProgramStandinFile();
[[nodiscard]] std::string ComponentStandinFile();
// Host path of the outside algorithm stand-in: a library without DllRegisterServer.
[[nodiscard]] std::string LibraryWithoutEntryFile();

// Copies the stand-in program to `windowsPath` (folders created, executable); its host path.
std::string PlaceProgramStandin(const std::string& windowsPath);
// Copies the component stand-in to `windowsPath`; its host path.
std::string PlaceComponentStandin(const std::string& windowsPath);
// Writes a "#!/bin/sh" program to `windowsPath` (folders created, executable) that runs until
// SIGTERM (exit code 0) or SIGKILL, at most about a minute;
// its host path. Its process image is the shell.
std::string PlaceScriptStandin(const std::string& windowsPath);

}  // namespace vqtest
