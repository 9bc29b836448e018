// Debian's undbx as an independent reader of folder files: it follows the file's own
// index, where our reader scans for blocks, so the two check each other.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace tessaly::test {

inline constexpr const char* kUndbx = "/usr/bin/undbx";

inline bool HaveUndbx() {
  return ::access(kUndbx, X_OK) == 0;
}

// Runs undbx on one folder file into outFolder and returns the texts of the messages it
// wrote, sorted. Empty when undbx failed.
inline std::vector<std::string> UndbxMessages(const std::string& dbx,
                                              const std::string& outFolder) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execl(kUndbx, kUndbx, "-v", "0", dbx.c_str(), outFolder.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {};
  std::vector<std::string> texts;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(outFolder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".eml")
      texts.push_back(ReadFile(entry.path().string()));
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

// The folder of real folder files: under $TESSALY_FIXTURES, else in the shared fixtures
// folder beside the repository (the variable does not reach every test program); empty
// when neither exists.
inline std::string FixtureFolder() {
  std::filesystem::path root;
  if (const char* env = std::getenv("TESSALY_FIXTURES"); env && *env)
    root = env;
  else
    root = std::filesystem::path(__FILE__).parent_path() / "../../../shared/fixtures";
  const std::filesystem::path dbx = root / "dbx";
  std::error_code ec;
  return std::filesystem::is_directory(dbx, ec) ? dbx.lexically_normal().string() : std::string();
}

}  // namespace tessaly::test
