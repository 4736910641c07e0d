#pragma once

// Failures of Win32 calls, carrying the system's own error number and message.

#include <windows.h>

#include <string>

#include "platform/failure.h"

namespace zarn::win32 {

// The system's message for an error code or HRESULT, without its trailing line break.
// A code the system has no text for is named by its number.
std::string systemMessage(DWORD code);

// A Failure with the code as its number and the system's message as its description, led
// by the name of the call that failed ("RegCreateKeyExW: Zugriff verweigert").
Failure systemFailure(DWORD code, const char* call = nullptr);

// The same for the calling thread's last error.
Failure lastErrorFailure(const char* call = nullptr);

}  // namespace zarn::win32
