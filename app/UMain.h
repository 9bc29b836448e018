// The main window and the harvest run driver: the choice of source, Start and Stop, the
// frame around every run, the progress callbacks, the enabled states and closing.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Shared/AddressList.h"
#include "harvest/Events.h"

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
  // (end of Outlook source)

  // --- List commands (ListCommands.cpp) ------------------------------------------------
  // Save As; closing with unsaved addresses offers it.
  void SaveList();
  // (end of list commands)

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
  bool activatedOnce_ = false;
  bool outlookSessionReady_ = false;
  bool outlookCdoReady_ = false;
  std::vector<QString> outlookFolders_;
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
  // (end of File and Folder source fields)

  // --- Outlook Express source fields ---
  // Shared so that this header needs no definition of it.
  std::shared_ptr<TOeSource> oeSource_;
  // (end of Outlook Express source fields)

  // --- Outlook source fields ---
  // (end of Outlook source fields)

  // --- List command fields ---
  // (end of list command fields)
};
