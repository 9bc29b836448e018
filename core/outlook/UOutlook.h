// The Outlook reader: opens a mailbox session, lists the folder tree below the chosen
// top-level folder (message store), and harvests the folders the user ticked, reporting
// every sender with FROM and every recipient with TO, and on request the addresses of the
// message text with BODY.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "harvest/Events.h"
#include "outlook/Mailbox.h"

namespace tessaly {

// The common base of the tool's mailbox readers; it holds nothing of its own.
class TTaskParser {
 public:
  virtual ~TTaskParser() = 0;
};
inline TTaskParser::~TTaskParser() = default;

// One entry of the folder list: what the user sees, and the path that finds the folder.
// The path has a tab before every folder name below the top-level folder; the display text
// joins the same names with " | ".
struct TOutlookFolderEntry {
  std::string DisplayText;
  std::string Path;
};

// Leading and trailing characters of code 0 to 32 removed; then one quote, apostrophe,
// angle bracket or square bracket removed at the start and one at the end.
std::string StripMarks(std::string_view text);

// The text scan of a message body: reports every address it finds through the handler.
using TBodyScan = std::function<void(std::string_view text, const TOnAddress& onAddress)>;

class TOutlook : public TTaskParser {
 public:
  // The longest body part handed to the body scan, and the most cut from a text when its
  // header lines are taken for the fallback.
  static constexpr std::size_t kMaxBodyPart = 2'000'000;

  // Opens the session over the mail system. Never throws: the outcome is in MapiPresent
  // and CdoPresent.
  explicit TOutlook(std::shared_ptr<mailbox::TMailSystem> system);
  ~TOutlook() override;
  TOutlook(const TOutlook&) = delete;
  TOutlook& operator=(const TOutlook&) = delete;

  // Makes top-level folder `index` (0-based) the selected one. The index is kept even when
  // it is bad; a bad index then throws std::out_of_range and the selected folder stays.
  void SelectFolder(int index);
  // Empties the list, then adds every folder below the selected top-level folder, each
  // followed at once by its own subfolders. Never throws; a failure ends the listing of
  // that level and keeps what was added.
  void ListFolders(std::vector<TOutlookFolderEntry>& list);
  // Harvests the folder at that path. True when the walk ran to its end or was stopped
  // through OnProgressBar; false when the path cannot be followed or the mailbox failed.
  bool ReadFolder(const std::string& path);

  const std::vector<std::string>& TopFolderNames() const { return topFolderNames_; }
  int SelectedIndex() const { return selectedIndex_; }

  // The options, read from the settings before every folder of a run.
  bool BodyOption = false;
  bool ToOption = true;
  bool FromOption = true;

  // False only when the mail program cannot be reached at all.
  bool MapiPresent = true;
  // False when the session could not be opened.
  bool CdoPresent = true;

  // Every report has this reader as its sender and 0 as its message number.
  TOnAddress onAddress;
  // Once per folder, with the number of its items.
  TOnFileSize OnFileSize;
  // After each item, with its 1-based number; the handler hands back the abort flag.
  TOnProgressBar OnProgressBar;
  // Scans the body part of each message when BodyOption is on.
  TBodyScan BodyScan;

 private:
  void Open();
  void ReadMessage(mailbox::TMailMessage& message, std::string& bodyPart);
  void Report(std::string_view address, std::string_view name, TOEAddressKind kind);

  std::vector<std::string> topFolderNames_;
  int selectedIndex_ = 0;
  std::shared_ptr<mailbox::TMailSystem> system_;
  std::unique_ptr<mailbox::TMailSession> session_;
  std::unique_ptr<mailbox::TMailNamespace> namespace_;
  std::unique_ptr<mailbox::TMailApplication> application_;
  std::unique_ptr<mailbox::TMailFolder> selectedFolder_;
};

// Where the message's header lines end: the 0-based index of the first "\r\n\r\n", else of
// the first "\r\r", else of the first "\n\n"; npos when the text has none of them.
std::size_t FindBodySeparator(std::string_view text);

// Splits a folder path into folder names at its tabs; a tab between two double quotes does
// not split, and the quotes stay in the name. Empty names are dropped.
std::vector<std::string> SplitFolderPath(std::string_view path);

}  // namespace tessaly
