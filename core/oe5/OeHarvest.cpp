#include "oe5/OeHarvest.h"

#include <algorithm>
#include <filesystem>

#include "harvest/Paths.h"
#include "oe5/UOEMessage.h"
#include "registry/Registry.h"

namespace tessaly {

namespace {

namespace fs = std::filesystem;

unsigned char LowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names that differ in case only keep a fixed order
}

bool HasFolderFileExtension(std::string_view name) {
  return name.size() >= 4 && SameTextIgnoringCase(name.substr(name.size() - 4), ".dbx");
}

}  // namespace

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;  // hidden
    if (!HasFolderFileExtension(name)) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  return names;
}

std::string FolderNameOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  const std::string_view name = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
  for (char c : name)
    if (static_cast<unsigned char>(c) > 32) return std::string(name);
  return {};
}

TOeHarvestResult HarvestOutlookExpress(const std::string& path, const THarvestEvents& events,
                                       const std::function<void(const std::string&)>& rawScan) {
  TOeHarvestResult result;
  std::vector<std::string> files;
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    for (const std::string& name : ListFolderFiles(path)) files.push_back(JoinPath(path, name));
  } else {
    files.push_back(path);
  }

  TOEMessage oe;
  oe.SetEvents(events);
  for (const std::string& file : files) {
    if (!oe.ReadFolderFile(file)) {
      result.failed = file;
      break;
    }
    result.read.push_back(file);
    if (oe.Aborted()) {
      result.aborted = true;
      break;
    }
    if (rawScan) {
      try {
        rawScan(file);
      } catch (...) {
        // The body scan of one file may fail; its header addresses stay.
      }
    }
  }
  return result;
}

}  // namespace tessaly
