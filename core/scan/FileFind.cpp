#include "scan/FileFind.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "harvest/EventPump.h"
#include "harvest/Paths.h"

namespace tessaly {
namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

TEntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return TEntryKind::ekFile;
  if (S_ISDIR(mode)) return TEntryKind::ekFolder;
  return TEntryKind::ekOther;
}

TEntryKind KindOf(DIR* dir, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return TEntryKind::ekFile;
    case DT_DIR:
      return TEntryKind::ekFolder;
    case DT_FIFO:
    case DT_SOCK:
    case DT_CHR:
    case DT_BLK:
      return TEntryKind::ekOther;
    default:
      break;  // a link, or a file system that does not say
  }
  struct stat st {};
  if (::fstatat(::dirfd(dir), entry.d_name, &st, 0) != 0) return TEntryKind::ekUnknown;
  return KindOf(st.st_mode);
}

bool IsRealFolder(DIR* dir, const dirent& entry) {
  // Links to folders are not walked into, so that a loop of links cannot trap the walk.
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN) return false;
  struct stat st {};
  return ::fstatat(::dirfd(dir), entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(st.st_mode);
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*" || mask == "*.*") return true;
  // Greedy match with one remembered star: linear in practice, never recursive.
  std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || Lower(mask[m]) == Lower(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

void TFileSearch::Search() {
  Stop = false;
  FilesFound.clear();
  const std::size_t cut = SearchFile.find_last_of(kPathSeparator);
  const std::string folder =
      cut == std::string::npos ? std::string() : SearchFile.substr(0, cut + 1);
  const std::string mask = cut == std::string::npos ? SearchFile : SearchFile.substr(cut + 1);

  // Depth first without recursion: a deep tree cannot exhaust the stack.
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    std::vector<std::string> subfolders = ListOne(current, mask);
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
      pending.push_back(std::move(*it));
  }
  if (OnFinish) OnFinish();
}

std::vector<std::string> TFileSearch::ListOne(const std::string& folder, std::string_view mask) {
  std::vector<std::string> subfolders;
  if (OnChangeFolder) {
    std::string name = folder;
    while (name.size() > 1 && name.back() == kPathSeparator) name.pop_back();
    const std::size_t slash = name.find_last_of(kPathSeparator);
    OnChangeFolder(
        folder, {slash == std::string::npos ? name : name.substr(slash + 1), TEntryKind::ekFolder});
  }
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return subfolders;
  while (!Stop) {
    const dirent* entry = ::readdir(dir.get());
    if (!entry) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (MatchesMask(name, mask)) {
      const TSearchRec rec{std::string(name), KindOf(dir.get(), *entry)};
      if (OnFileFind) {
        OnFileFind(folder, rec);
        FilesFound.push_back(folder.empty() ? rec.Name : JoinPath(folder, rec.Name));
      }
    }
    if (RecurseSubFolders && IsRealFolder(dir.get(), *entry))
      subfolders.push_back(JoinPath(folder.empty() ? "." : folder, std::string(name)) +
                           kPathSeparator);
    YieldToEventLoop();
  }
  return subfolders;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  TFileSearch search;
  search.RecurseSubFolders = false;
  search.OnFileFind = [](const std::string&, const TSearchRec&) {};
  search.SearchFile = JoinPath(folder, "*.*");
  search.Search();
  return std::move(search.FilesFound);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace tessaly
