#pragma once
// The outside algorithm library of the back-office maker, libVqAlglibrary.so in the program
// folder. It exports VqAESDecrypt2 and VqAESEncrypt2: (source text, key text, output buffer),
// all zero-terminated ANSI texts, returning 1 on success. The front-ends that call it are
// TvqLib::GetVqDecrypt and TvqLib::GetVqEncrypt (VqLibText.h).
#include <string>

namespace tessaly {

// Loads the library from platform::ProgramDir(). The program start-up calls it once, before
// other threads run; later calls after a success do nothing and return true, calls after a
// failure try again. False and the reason in aErro when the file or an export is missing.
// Thread-safe.
bool LoadVqAlgLibrary(std::string& aErro);

}  // namespace tessaly
