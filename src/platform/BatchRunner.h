#pragma once
// The runner of the setup program's self-delete batch files, which works without a command
// interpreter. It understands only these lines (keywords without case, surrounding blanks and
// empty lines ignored; first, as cmd does, "%%" becomes "%", %NAME% the variable's value or
// nothing, and a lone "%" goes):
//
//   @echo off                      choice /t N /d y /n     (a pause of N seconds, N <= 99)
//   set NAME=VALUE                 set /a NAME+=N, set /a NAME-=N, set /a NAME=N
//   :LABEL                         if A lss B goto LABEL   (A and B whole numbers)
//   del "PATH"                     rd /s /q "PATH"         (also written rd/s/q)
//
// Any other line stops the run, as does a run of more than 100000 lines. PATH is a Windows path
// inside the machine root's drives (quotes optional), resolved through the gate
// (platform/MachinePath.h); the runner's process is confined to the machine. del removes one
// file as DeleteFile does (platform/FileOps.h). rd removes a folder with everything in it
// (platform/MachineTree.h; a link loses only itself), but never a drive root, the machine root,
// C:\Windows, C:\Program Files, C:\Program Files (x86) or C:\ProgramData, nor a folder that
// holds one of them, judged by the folder it opened. A failed del or rd goes on with the next
// line, as cmd does. The file is read as code page 936.
#include <string>

#include "platform/Process.h"

namespace platform {

// Runs the batch file `path` in this process. True when it ran to its end; false, with the
// reason in `error`, when it could not be read or stopped at a line it does not allow.
[[nodiscard]] bool RunBatchFile(const std::string& path, std::string& error);

// Runs the batch file in a fresh process that is not a fork of this one: this program's file
// started anew with the argument below, which runs the file before main() and exits (0 when the
// run reached its end). The new process lives on after this one has ended.
inline constexpr const char* kBatchRunnerFlag = "--vq-run-batch";
[[nodiscard]] bool StartBatchFile(const std::string& path, ChildProcess& child, std::string& error);

}  // namespace platform
