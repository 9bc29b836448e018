// Which Outlook data files the mailbox opens: the ones the user named in the setting, or
// the ones found in the places Outlook keeps them, inside a Wine prefix too.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The setting's paths: separated by ";", blanks around each removed, empty ones dropped.
std::vector<std::string> SplitDataFileList(std::string_view setting);
std::string JoinDataFileList(const std::vector<std::string>& files);

// The folders whose usual places are searched: the home folder and, for the Wine prefix
// in WINEPREFIX (else ~/.wine), every user folder under drive_c/users.
std::vector<std::string> UsualProfileFolders();

// The .pst and .ost files (any letter case) directly inside the usual places under each
// profile folder: Documents/Outlook Files (My Documents/Outlook Files on older systems),
// AppData/Local/Microsoft/Outlook and Local Settings/Application Data/Microsoft/Outlook.
// Sorted by name within each place; a file reached twice (through a link) is listed once.
std::vector<std::string> FindDataFiles(const std::vector<std::string>& profileFolders);

// The files the mailbox opens: the setting's, or, when it names none, what the search of
// the usual places finds (the search runs only then).
std::vector<std::string> KnownDataFiles(std::string_view setting,
                                        const std::function<std::vector<std::string>()>& search);

// The setting's files followed by those the search finds that are not yet among them: what
// is tried once more when the known files did not open.
std::vector<std::string> DataFilesWithUsualPlaces(
    std::string_view setting, const std::function<std::vector<std::string>()>& search);

}  // namespace tessaly
