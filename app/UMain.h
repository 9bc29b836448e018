// The main window and the harvest run driver: the choice of source, Start and Stop, the
// frame around every run, the progress callbacks, the enabled states and closing.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Shared/AddressList.h"
#include "harvest/Events.h"
#include "scan/FileFind.h"
#include "sources/FBrowse.h"

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QSplitter;
class QTableView;
class QWidget;
class Tdm;
class TAddressGridModel;
class TFrmSplash;
class TRobot;

using tessaly::TRunState;

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // FormCreate runs here.
  explicit TfrmMain(Tdm& dm, QWidget* parent = nullptr);
  // FormDestroy.
  ~TfrmMain() override;

  // The splash to close at first activation, when it still exists.
  void SetSplash(TFrmSplash* splash) { splash_ = splash; }

  // --- The run driver ---------------------------------------------------------------
  void FormActivate();
  void acImportExecute();
  void acStopExecute();
  // The opening steps; false when the table could not be created (nothing is walked).
  bool BeginHarvestRun();
  void EndHarvestRun();
  void oeFileSize(std::uint64_t filesize);
  void oeProgressBar(std::uint64_t position, bool& abort);
  void UpdateControls();
  int CheckedFolderCount() const;

  void miFileClick();
  void miFolderClick();
  void miOutlookExpressClick();
  void miOutlookClick();

  // --- The address list ---------------------------------------------------------------
  bool CreateAddressTable(const QString& folder, const QString& name);
  void ClearAddressList();
  void oeAddress(void* Sender, std::string_view adEmail, std::string_view adName,
                 std::uint8_t Kind, int ndx);
  void SetupGridColumns();
  void dxGridColumnClick(int column);
  void dxRemoveDuplicatesClick();
  // What every source is handed: the sink and the two callbacks of this window.
  tessaly::THarvestEvents HarvestEvents();

  // --- File and Folder sources (sources/FileSources.cpp) --------------------------------
  void ImportFile();
  void ImportFolder();
  // Handler of the file finder's OnFileFind: the entry's full path joins the found files.
  void fsFileFind(const std::string& folder, const tessaly::TSearchRec& entry);
  // The found-files list of the last Folder run, in listing order.
  const std::vector<std::string>& FoundFiles() const { return foundFiles_; }
  // (end of File and Folder sources)

  // --- Outlook Express source (sources/OeSource.cpp) ----------------------------------
  void LoadOeFolders();
  void ImportOutlookExpress();
  // FormCreate's part: the reader with its events bound to this window, the registry it
  // reads, and the options command.
  void ConnectOeSource();
  // "Outlook Express Opt&ions": the options dialog, then a reload after OK.
  void acOptionsClick();
  // Refills the folder list with the folder files of folder, all unticked.
  void FillFolderList(const QString& folder);
  // The source's state (sources/OeSource.h): the reader `oe`, its registry, the folder
  // the list shows, and the body scan of a folder file.
  class TOeSource;
  TOeSource& OeSource();
  // (end of Outlook Express source)

  // --- Outlook source (sources/OutlookSource.cpp) -------------------------------------
  void ImportOutlook();
  // (outlook/OutlookSetup.cpp) The reader with its set-up step and the MAPI notice, at the
  // first activation; the folder list of miOutlookClick; the two Tools commands.
  void OutlookSetUp();
  void ListOutlookFolders();
  void miOutlookOptionsClick();
  void miOutlookDataFilesClick();
  // The reader and what goes with it (outlook/OutlookState.h); none before activation.
  struct TOutlookState;
  TOutlookState* Outlook() const { return outlook_.get(); }
  QAction* miOutlookDataFiles = nullptr;
  // (end of Outlook source)

  // --- List commands (ListCommands.cpp) ------------------------------------------------
  // Save As; closing with unsaved addresses offers it.
  void SaveList();
  void acSaveClick();
  // True when the last Save As got past its dialog and the writing failed: the addresses
  // are still unsaved, and closing must not drop them.
  bool SaveFailed() const { return saveFailed_; }
  // Delete Emails: asks for a pattern, deletes what matches, reports the count.
  void miDeleteEmailsClick();
  // The walk of Delete Emails over the table; returns how many records went.
  int DeleteMatching(const std::string& pattern);
  // Wires Save As and Delete Emails to their handlers.
  void ConnectListCommands();
  // The list separator of the user's regional settings (the address-book layout's).
  static char ListSeparator();
  // (end of list commands)

  // --- Version check (VersionCheck.cpp) ----------------------------------------------
  // The update prompt; true when the user chose to update and the tool must quit.
  bool AskForUpdate();
  void VersionReply(const QString& reply);
  void SendVersionRequest();
  // Hands a web page or mail address to the desktop's "open".
  bool ShellOpen(const QString& target);
  // The maker's server and download page; tests point them at 127.0.0.1.
  static QString VersionServer;
  static QString DownloadPage;
  // Stands in for the desktop's "open" in tests.
  static std::function<bool(const QString&)> ShellOpenHook;
  TRobot* Robot() const { return robot_; }
  // (end of version check)

  // --- Help menu (HelpCommands.cpp) -------------------------------------------------
  void dxBarButton4Click();  // Help Contents
  void dxBarButton5Click();  // Email Support
  void dxBarButton6Click();  // Home Page
  void dxBarButton1Click();  // About
  static QString HelpFile();
  static QString SupportAddress;
  // (end of help menu)

  // --- Small handlers -----------------------------------------------------------------
  void clbChange(QListWidgetItem* item);
  void CheckAllFolders(bool ticked);
  void acSelAllExecute();
  void acClearAllExecute();
  void UpdateTitle();

  // --- State, readable by tests ---------------------------------------------------------
  TRunState RunState() const { return runState_; }
  std::int32_t AddressCount() const { return addressCount_; }
  bool UnsavedAddresses() const { return unsavedAddresses_; }
  bool AbortFlag() const { return abortFlag_; }
  std::int32_t IdCounter() const { return list_.idCounter; }
  tessaly::TDBISAMTableVantor* Table() const { return list_.Table(); }
  tessaly::TAddressList& List() { return list_; }
  TAddressGridModel* GridModel() const { return gridModel_; }
  QString TablePath() const;
  // The Outlook reader's two readiness flags (session available, CDO available).
  bool OutlookReady() const { return outlookSessionReady_ && outlookCdoReady_; }

  // Components the handlers and other windows use.
  QAction *acImport, *acStop, *acSave, *dxBarButtonClose;
  QAction *acClearAll, *acSelAll;
  QAction *miFile, *miFolder, *miOutlookExpress, *miOutlook;
  QAction *miOutlookOptions, *acOptions, *miDeleteEmails, *dxRemoveDuplicates;
  QAction *dxBarButton4, *dxBarButton5, *dxBarButton6, *dxBarButton1;
  QWidget* Panel2;
  QLabel* Panel4;
  QListWidget* clb;
  QSplitter* Splitter1;
  QLabel* pnlAddresses;
  QTableView* dxGrid;
  QLabel* spClbSel;
  QLabel* rzFilesToGo;
  QLabel* spImporting;
  QProgressBar* RzPB;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildActions();
  void ConnectHelpCommands();
  bool FormCloseQuery();
  void FormClose();
  void SelectSource(QAction* source);
  void ShowRunPanes(bool shown);
  bool Free() const { return runState_ != TRunState::rsRunning; }
  bool HasRecords() const;
  bool BusyCursorShown() const;
  void RestoreCursor();
  void ShowTableFailure();

  Tdm& dm_;
  TFrmSplash* splash_ = nullptr;

  // Run fields.
  TRobot* robot_;
  bool activatedOnce_ = false;
  bool outlookSessionReady_ = false;
  bool outlookCdoReady_ = false;
  // Display text and folder path of each Outlook folder-list entry.
  std::vector<std::pair<QString, std::string>> outlookFolders_;
  TRunState runState_ = TRunState::rsIdle;
  std::int32_t addressCount_ = 0;
  tessaly::TAddressList list_;
  std::vector<std::string> foundFiles_;
  bool unsavedAddresses_ = false;
  bool gridBound_ = false;
  bool abortFlag_ = false;

  TAddressGridModel* gridModel_ = nullptr;
  std::uint64_t progressTotal_ = 0;
  int progressShift_ = 0;

  // --- File and Folder source fields ---
  tessaly::TFileSearch fs;
  TFolderBrowse fld;
  TOpenDialog openDialog;
  // (end of File and Folder source fields)

  // --- Outlook Express source fields ---
  // Shared so that this header needs no definition of it.
  std::shared_ptr<TOeSource> oeSource_;
  // (end of Outlook Express source fields)

  // --- Outlook source fields ---
  std::shared_ptr<TOutlookState> outlook_;
  // (end of Outlook source fields)

  // --- List command fields ---
  bool saveFailed_ = false;
  // (end of list command fields)
};
