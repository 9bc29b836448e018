// Small shared routines: joining a folder and a name, starting a process and waiting.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// The platform's path separator: '\\' on Windows, '/' elsewhere.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// folder + one separator + name; the separator is not doubled when the folder already
// ends with one. Callers pass a non-empty folder.
std::string JoinPath(std::string_view folder, std::string_view name);

// Starts the command line as a new process (inherited environment and current folder) and
// waits for it to end, at most one hour. Returns 0 when the process was started (also when
// the wait ran out), otherwise the system's error code for the failed start. The show mode
// is a window-system hint and has no meaning here.
int RunAndWait(const std::string& commandLine, int showMode);

// The same with an explicit bound, in milliseconds, so that the bound itself can be tested.
int RunAndWait(const std::string& commandLine, int showMode, long timeoutMs);

}  // namespace tessaly
