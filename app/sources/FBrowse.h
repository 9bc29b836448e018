// The two choosers of the File and Folder sources: the folder picker and the file-open
// dialog. Each keeps its settings and its result as fields, as the main window sets them up
// before every run, and can be answered by a stand-in instead of being shown.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The folder picker.
class TFolderBrowse {
 public:
  // The folder selected when the picker opens (none when empty), and after a confirmed
  // choice the folder chosen.
  QString Directory;
  // Shown above the folder tree.
  QString Title;

  // Shows the picker owned by the window. True with Directory set to the chosen folder;
  // false when cancelled (Directory keeps its value) or when the choice is no folder of
  // the file system.
  bool Execute(QWidget* owner);

  // Stands in for the person at the screen: when set, Execute asks it instead of showing
  // the picker; it returns the folder chosen, or nothing for Cancel. Tests use it; the
  // tool never sets it.
  using TResponder = std::function<std::optional<QString>(const TFolderBrowse&)>;
  static void SetResponder(TResponder responder);
};

// The file-open dialog.
class TOpenDialog {
 public:
  QString Title;
  // Qt's filter form, "Description (patterns)"; entries separated by ";;".
  QString Filter;
  int FilterIndex = 1;  // 1-based
  QString DefaultExt;
  QString FileName;  // the file selected at first, and after Execute the file chosen
  QString InitialDir;
  bool FileMustExist = false;

  bool Execute(QWidget* owner);

  // As for the folder picker: the file chosen, or nothing for Cancel.
  using TResponder = std::function<std::optional<QString>(const TOpenDialog&)>;
  static void SetResponder(TResponder responder);
};
