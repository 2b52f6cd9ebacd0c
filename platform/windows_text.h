// Shared by the Windows implementations: UTF-8 <-> UTF-16 for the system's
// wide calls, and the system's error codes as the error numbers the rest of
// the program reports.
#pragma once

#include <string>

namespace platform::windows {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text);
// errno for a Win32 error code (GetLastError()).
int errorNumber(unsigned long win32Error);

}  // namespace platform::windows
