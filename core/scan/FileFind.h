// The file finder of the Folder source: lists the entries of a folder that match a mask,
// optionally walking its subfolders, and reports each one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

enum class TEntryKind : std::uint8_t {
  ekFile,     // a regular file (or a link to one)
  ekFolder,   // a folder (or a link to one)
  ekOther,    // a FIFO, socket or device
  ekUnknown,  // a link that leads nowhere, or an entry that vanished
};

// One directory entry found.
struct TSearchRec {
  std::string Name;
  TEntryKind Kind = TEntryKind::ekUnknown;
};

// (folder with its trailing separator, entry)
using TFindFileEvent = std::function<void(const std::string& folder, const TSearchRec& entry)>;
// (folder about to be listed, with its trailing separator; its own entry)
using TChangeFolderEvent = std::function<void(const std::string& folder, const TSearchRec& entry)>;

class TFileSearch {
 public:
  // One search entry: a folder and a mask, such as "/home/ann/mail/*.*". The folder part
  // runs up to and including the last separator; the rest is the mask. It is taken as
  // one entry whatever it holds (a ";" in a folder name is a character like any other)
  // and whatever its length.
  std::string SearchFile;
  bool RecurseSubFolders = true;
  // The full paths found by the last search (only while OnFileFind is set).
  std::vector<std::string> FilesFound;
  // Ends each listing at its next entry.
  bool Stop = false;

  TFindFileEvent OnFileFind;
  TChangeFolderEvent OnChangeFolder;
  std::function<void()> OnFinish;

  // Lists every entry of the folder that matches the mask, of every kind (hidden ones
  // included, "." and ".." left out), in the order the folder gives them, then, when
  // RecurseSubFolders is set, walks each subfolder the same way, depth first. The window
  // system gets its turn between entries. A folder that cannot be listed gives nothing.
  void Search();

 private:
  // Lists one folder; returns its subfolders (when recursing) in listing order.
  std::vector<std::string> ListOne(const std::string& folder, std::string_view mask);
};

// Wildcard match of a file name, ignoring ASCII letter case: "*" any run, "?" one byte.
// "*.*" and "*" match every name, with or without a dot.
bool MatchesMask(std::string_view name, std::string_view mask);

// Every entry of that one folder, as the Folder source lists it: full paths in listing
// order, subfolders and other non-files included, nothing from inside subfolders.
std::vector<std::string> ListFolder(const std::string& folder);

// True for a regular file (following links); never opens it.
bool IsRegularFile(const std::string& path);

}  // namespace tessaly
