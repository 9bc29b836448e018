#include "harvest/Paths.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <wordexp.h>
extern char** environ;
#endif

namespace tessaly {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  path += name;
  return path;
}

int RunAndWait(const std::string& commandLine, int showMode) {
  return RunAndWait(commandLine, showMode, 3'600'000L);
}

#ifndef _WIN32
int RunAndWait(const std::string& commandLine, int /*showMode*/, long timeoutMs) {
  // Split the command line the way a shell would, without running one.
  wordexp_t words{};
  if (wordexp(commandLine.c_str(), &words, WRDE_NOCMD) != 0) return EINVAL;
  if (words.we_wordc == 0) {
    wordfree(&words);
    return ENOENT;
  }
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, words.we_wordv[0], nullptr, nullptr, words.we_wordv, environ);
  wordfree(&words);
  if (rc != 0) return rc;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) break;
    if (std::chrono::steady_clock::now() >= deadline) break;  // left running, as on time-out
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}
#endif

}  // namespace tessaly
