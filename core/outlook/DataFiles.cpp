#include "outlook/DataFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace tessaly {
namespace fs = std::filesystem;
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

bool IsDataFileName(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(c | 0x20); });
  return ext == ".pst" || ext == ".ost";
}

const char* const kUsualPlaces[] = {
    "Documents/Outlook Files",
    "My Documents/Outlook Files",
    "AppData/Local/Microsoft/Outlook",
    "Local Settings/Application Data/Microsoft/Outlook",
};

}  // namespace

std::vector<std::string> SplitDataFileList(std::string_view setting) {
  std::vector<std::string> files;
  while (true) {
    const std::size_t semicolon = setting.find(';');
    const std::string_view part = Trim(setting.substr(0, semicolon));
    if (!part.empty()) files.emplace_back(part);
    if (semicolon == std::string_view::npos) break;
    setting.remove_prefix(semicolon + 1);
  }
  return files;
}

std::string JoinDataFileList(const std::vector<std::string>& files) {
  std::string setting;
  for (const std::string& file : files) {
    if (!setting.empty()) setting += ';';
    setting += file;
  }
  return setting;
}

std::vector<std::string> UsualProfileFolders() {
  std::vector<std::string> folders;
#ifdef _WIN32
  if (const char* profile = std::getenv("USERPROFILE")) folders.emplace_back(profile);
#else
  const char* home = std::getenv("HOME");
  if (home && *home) folders.emplace_back(home);
  fs::path prefix;
  if (const char* wine = std::getenv("WINEPREFIX"); wine && *wine)
    prefix = wine;
  else if (home && *home)
    prefix = fs::path(home) / ".wine";
  std::error_code ec;
  const fs::path users = prefix / "drive_c" / "users";
  if (!prefix.empty() && fs::is_directory(users, ec)) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(users, ec))
      if (entry.is_directory(ec)) found.push_back(entry.path().string());
    std::sort(found.begin(), found.end());
    folders.insert(folders.end(), found.begin(), found.end());
  }
#endif
  return folders;
}

std::vector<std::string> FindDataFiles(const std::vector<std::string>& profileFolders) {
  std::vector<std::string> files;
  std::set<fs::path> seen;
  for (const std::string& profile : profileFolders) {
    for (const char* place : kUsualPlaces) {
      std::error_code ec;
      const fs::path folder = fs::path(profile) / place;
      if (!fs::is_directory(folder, ec)) continue;
      std::vector<fs::path> here;
      for (const auto& entry : fs::directory_iterator(folder, ec))
        if (IsDataFileName(entry.path()) && entry.is_regular_file(ec)) here.push_back(entry.path());
      std::sort(here.begin(), here.end());
      for (const fs::path& path : here) {
        const fs::path key = fs::weakly_canonical(path, ec);
        if (seen.insert(ec ? path : key).second) files.push_back(path.string());
      }
    }
  }
  return files;
}

std::vector<std::string> KnownDataFiles(std::string_view setting,
                                        const std::function<std::vector<std::string>()>& search) {
  std::vector<std::string> files = SplitDataFileList(setting);
  if (files.empty() && search) files = search();
  return files;
}

std::vector<std::string> DataFilesWithUsualPlaces(
    std::string_view setting, const std::function<std::vector<std::string>()>& search) {
  std::vector<std::string> files = SplitDataFileList(setting);
  for (const std::string& file : search ? search() : std::vector<std::string>{})
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  return files;
}

}  // namespace tessaly
