#include "UMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <climits>

#include "AddressGridModel.h"
#include "Glyphs.h"
#include "StdDlgs.h"
#include "USplash.h"
#include "settings/UDm.h"
#include "settings/URobot.h"

using tessaly::TRunState;

namespace {
const QString kTableName = QStringLiteral("intl.dat");
}

TfrmMain::TfrmMain(Tdm& dm, QWidget* parent)
    : QMainWindow(parent),
      dm_(dm),
      list_([&dm] { return dm.iDuplicates.ReadBool(); }) {
  BuildActions();
  BuildWindow();
  // FormCreate.
  robot_ = new TRobot(this);
  activatedOnce_ = false;
  runState_ = TRunState::rsIdle;
  addressCount_ = 0;
  unsavedAddresses_ = false;
  QApplication::setApplicationDisplayName(QString());
  UpdateTitle();
  Panel2->hide();
  Splitter1->handle(1)->hide();
  list_.onTableReleased = [this] { gridModel_->Detach(); };
  ConnectOeSource();
}

TfrmMain::~TfrmMain() {
  // FormDestroy: the table goes before the model that may still point at it.
  list_.onTableReleased = nullptr;
  gridModel_->Detach();
  list_.FreeTable();
}

void TfrmMain::BuildActions() {
  auto make = [this](const char* caption, const char* hint, QKeySequence shortcut = {}) {
    auto* a = new QAction(QString::fromLatin1(caption), this);
    a->setStatusTip(QString::fromLatin1(hint));
    a->setToolTip(QString::fromLatin1(hint));
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
  };
  acImport = make("&Start", "Start", QKeySequence(Qt::CTRL | Qt::Key_S));
  acStop = make("Sto&p", "Stop", QKeySequence(Qt::CTRL | Qt::Key_P));
  acSave = make("Save &As...", "Save As", QKeySequence(Qt::CTRL | Qt::Key_A));
  dxBarButtonClose = make("E&xit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_X));
  acClearAll = make("Clea&r", "Clear", QKeySequence(Qt::CTRL | Qt::Key_R));
  acSelAll = make("Select A&ll", "Select All", QKeySequence(Qt::CTRL | Qt::Key_L));
  miFile = make("&File", "File");
  miFolder = make("Fol&der", "Folder");
  miOutlookExpress = make("Outlook &Express", "Outlook Express");
  miOutlook = make("&Outlook", "Outlook");
  miOutlookOptions = make("Outloo&k Options", "Outlook Options", QKeySequence(Qt::CTRL | Qt::Key_K));
  acOptions = make("Outlook Express Opt&ions", "Outlook Express Options",
                   QKeySequence(Qt::CTRL | Qt::Key_I));
  miDeleteEmails = make("&Delete Emails...", "Delete Emails");
  dxRemoveDuplicates = make("Ig&nore Duplicates", "Ignore Duplicates");
  dxBarButton4 = make("C&ontents", "Help Contents", QKeySequence(Qt::CTRL | Qt::Key_O));
  dxBarButton5 = make("Email S&upport...", "Email Support", QKeySequence(Qt::CTRL | Qt::Key_U));
  dxBarButton6 = make("Ho&me Page...", "Home Page", QKeySequence(Qt::CTRL | Qt::Key_M));
  dxBarButton1 = make("A&bout...", "About", QKeySequence(Qt::CTRL | Qt::Key_B));
  for (QAction* toggle : {miFile, miFolder, miOutlookExpress, miOutlook, dxRemoveDuplicates})
    toggle->setCheckable(true);

  connect(acImport, &QAction::triggered, this, &TfrmMain::acImportExecute);
  connect(acStop, &QAction::triggered, this, &TfrmMain::acStopExecute);
  ConnectListCommands();
  connect(dxBarButtonClose, &QAction::triggered, this, &QWidget::close);
  connect(acClearAll, &QAction::triggered, this, &TfrmMain::acClearAllExecute);
  connect(acSelAll, &QAction::triggered, this, &TfrmMain::acSelAllExecute);
  connect(miFile, &QAction::triggered, this, &TfrmMain::miFileClick);
  connect(miFolder, &QAction::triggered, this, &TfrmMain::miFolderClick);
  connect(miOutlookExpress, &QAction::triggered, this, &TfrmMain::miOutlookExpressClick);
  connect(miOutlook, &QAction::triggered, this, &TfrmMain::miOutlookClick);
  connect(dxRemoveDuplicates, &QAction::triggered, this, &TfrmMain::dxRemoveDuplicatesClick);
  ConnectHelpCommands();
}

void TfrmMain::BuildWindow() {
  resize(600, 400);
  setMinimumSize(600, 400);

  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->addAction(acImport);
  file->addSeparator();
  file->addAction(acStop);
  file->addSeparator();
  file->addAction(acSave);
  file->addSeparator();
  file->addAction(dxBarButtonClose);
  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  edit->addAction(acClearAll);
  edit->addAction(acSelAll);
  QMenu* source = bar->addMenu(QStringLiteral("&Source"));
  for (QAction* a : {miFile, miFolder, miOutlookExpress, miOutlook}) source->addAction(a);
  QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
  tools->addAction(miOutlookOptions);
  tools->addAction(acOptions);
  tools->addSeparator();
  tools->addAction(miDeleteEmails);
  tools->addSeparator();
  tools->addAction(dxRemoveDuplicates);
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->addAction(dxBarButton4);
  help->addSeparator();
  help->addAction(dxBarButton5);
  help->addAction(dxBarButton6);
  help->addSeparator();
  help->addAction(dxBarButton1);

  QToolBar* standard = addToolBar(QStringLiteral("Standard"));
  standard->setMovable(false);
  standard->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  standard->setIconSize(QSize(16, 16));
  acImport->setIcon(Glyphs::Start());
  acStop->setIcon(Glyphs::Stop());
  acSave->setIcon(Glyphs::SaveAs());
  acSelAll->setIcon(Glyphs::SelectAll());
  acClearAll->setIcon(Glyphs::Clear());
  dxBarButton4->setIcon(Glyphs::Help());
  standard->addAction(acImport);
  standard->addSeparator();
  standard->addAction(acStop);
  standard->addSeparator();
  standard->addAction(acSave);
  standard->addSeparator();
  standard->addAction(acSelAll);
  standard->addAction(acClearAll);
  standard->addSeparator();
  standard->addAction(dxBarButton4);

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);

  Panel2 = new QWidget(Splitter1);
  auto* left = new QVBoxLayout(Panel2);
  left->setContentsMargins(0, 0, 0, 0);
  left->setSpacing(0);
  Panel4 = new QLabel(QStringLiteral("Folders"), Panel2);
  Panel4->setFixedHeight(17);
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  clb = new QListWidget(Panel2);
  clb->setUniformItemSizes(true);
  left->addWidget(Panel4);
  left->addWidget(clb);
  Panel2->resize(132, Panel2->height());

  auto* Panel3 = new QWidget(Splitter1);
  auto* right = new QVBoxLayout(Panel3);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(0);
  pnlAddresses = new QLabel(QStringLiteral("Addresses"), Panel3);
  pnlAddresses->setFixedHeight(17);
  pnlAddresses->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  dxGrid = new QTableView(Panel3);
  gridModel_ = new TAddressGridModel(this);
  dxGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  dxGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dxGrid->setFrameShape(QFrame::NoFrame);
  dxGrid->verticalHeader()->hide();
  dxGrid->verticalHeader()->setDefaultSectionSize(18);
  dxGrid->horizontalHeader()->setSectionsMovable(true);
  dxGrid->horizontalHeader()->setHighlightSections(false);
  right->addWidget(pnlAddresses);
  right->addWidget(dxGrid);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({132, 468});
  setCentralWidget(Splitter1);

  connect(clb, &QListWidget::itemChanged, this, &TfrmMain::clbChange);
  connect(clb, &QListWidget::itemClicked, this, [this] { UpdateControls(); });
  connect(dxGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TfrmMain::dxGridColumnClick);

  QStatusBar* status = statusBar();
  status->setSizeGripEnabled(false);
  spClbSel = new QLabel(status);
  spClbSel->setMinimumWidth(135);
  rzFilesToGo = new QLabel(status);
  rzFilesToGo->setMinimumWidth(80);
  spImporting = new QLabel(status);
  spImporting->setMinimumWidth(209);
  spImporting->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  RzPB = new QProgressBar(status);
  RzPB->setMaximumHeight(15);
  RzPB->setMaximumWidth(160);
  status->addWidget(spClbSel);
  status->addWidget(rzFilesToGo);
  status->addWidget(spImporting, 1);
  status->addPermanentWidget(RzPB);
  ShowRunPanes(false);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TfrmMain::ShowRunPanes(bool shown) {
  rzFilesToGo->setVisible(shown);
  spImporting->setVisible(shown);
  RzPB->setVisible(shown);
}

void TfrmMain::UpdateTitle() { setWindowTitle(dm_.FileVersionInfo.ProductName); }

QString TfrmMain::TablePath() const {
  QString folder = Tdm::DataFolder();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder + kTableName;
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first activation runs once the window is on screen and the loop is running.
  if (!activatedOnce_) QTimer::singleShot(0, this, &TfrmMain::FormActivate);
}

void TfrmMain::FormActivate() {
  if (activatedOnce_) return;
  activatedOnce_ = true;

  if (AskForUpdate()) {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return;
  }
  clb->setUpdatesEnabled(false);
  if (splash_) {
    splash_->close();
    splash_ = nullptr;
  }
  // The Outlook reader with its events, then its set-up step and the MAPI notice.
  OutlookSetUp();
  outlookFolders_.clear();
  LoadOeFolders();

  gridBound_ = false;
  list_.FreeTable();
  if (CreateAddressTable(Tdm::DataFolder(), kTableName)) {
    if (!gridBound_) {
      dxGrid->setModel(gridModel_);
      try {
        Table()->Open();
      } catch (const tessaly::ETableError&) {
      }
      gridModel_->Attach(Table());
      SetupGridColumns();
      gridBound_ = true;
    }
  } else {
    ShowTableFailure();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }
  miFileClick();
  UpdateControls();
  clb->setUpdatesEnabled(true);
  dxRemoveDuplicates->setChecked(!dm_.iDuplicates.ReadBool());
  SendVersionRequest();
}

void TfrmMain::ShowTableFailure() {
  StdDlgs::ShowInfo(QStringLiteral("%1 %2").arg(QStringLiteral("Unable to create"), TablePath()));
}

bool TfrmMain::CreateAddressTable(const QString& folder, const QString& name) {
  return list_.CreateAddressTable(folder.toStdString(), name.toStdString());
}

void TfrmMain::SetupGridColumns() {
  const int w = dxGrid->viewport()->width();
  dxGrid->setColumnWidth(0, (w - 60) / 2);
  dxGrid->setColumnWidth(1, (w - 60) / 2);
  dxGrid->setColumnWidth(2, 44);
}

void TfrmMain::ClearAddressList() {
  if (Table() && Table()->Active() && HasRecords()) {
    CreateAddressTable(Tdm::DataFolder(), kTableName);
    runState_ = TRunState::rsIdle;
  }
  addressCount_ = 0;
  unsavedAddresses_ = false;
  UpdateControls();
}

void TfrmMain::oeAddress(void* Sender, std::string_view adEmail, std::string_view adName,
                         std::uint8_t Kind, int ndx) {
  list_.oeAddress(Sender, adEmail, adName, Kind, ndx);
}

tessaly::THarvestEvents TfrmMain::HarvestEvents() {
  tessaly::THarvestEvents events;
  events.onAddress = [this](void* s, std::string_view e, std::string_view n, std::uint8_t k,
                            int i) { oeAddress(s, e, n, k, i); };
  events.onScannedAddress = [this](std::string_view e) { list_.AddScannedAddress(e); };
  events.OnFileSize = [this](std::uint64_t size) { oeFileSize(size); };
  events.OnProgressBar = [this](std::uint64_t pos, bool& abort) { oeProgressBar(pos, abort); };
  return events;
}

void TfrmMain::dxGridColumnClick(int column) {
  if (!gridModel_->AllRecordsMode()) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    gridModel_->SortAllRecords(column, Qt::AscendingOrder);
    QGuiApplication::restoreOverrideCursor();
  } else {
    // The grid's own sorting: ascending first, then descending; one column at a time.
    const bool flip =
        gridModel_->SortedColumn() == column && gridModel_->SortOrder() == Qt::AscendingOrder;
    gridModel_->SortAllRecords(column, flip ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
  dxGrid->horizontalHeader()->setSortIndicatorShown(true);
  dxGrid->horizontalHeader()->setSortIndicator(column, gridModel_->SortOrder());
}

void TfrmMain::dxRemoveDuplicatesClick() {
  dm_.iDuplicates.WriteBool(!dxRemoveDuplicates->isChecked());
}

// --- Source selection ---------------------------------------------------------------

void TfrmMain::SelectSource(QAction* source) {
  for (QAction* a : {miFile, miFolder, miOutlookExpress, miOutlook}) a->setChecked(a == source);
  const bool panel = source == miOutlookExpress || source == miOutlook;
  Panel2->setVisible(panel);
  Splitter1->handle(1)->setVisible(panel);
  acOptions->setEnabled(source == miOutlookExpress);
  miOutlookOptions->setEnabled(source == miOutlook);
}

void TfrmMain::miFileClick() {
  SelectSource(miFile);
  ClearAddressList();
  UpdateControls();
}

void TfrmMain::miFolderClick() {
  SelectSource(miFolder);
  ClearAddressList();
  UpdateControls();
}

void TfrmMain::miOutlookExpressClick() {
  SelectSource(miOutlookExpress);
  LoadOeFolders();
  UpdateControls();
}

void TfrmMain::miOutlookClick() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  Panel4->setText(QStringLiteral("Outlook Folders"));
  SelectSource(miOutlook);
  ListOutlookFolders();
  clb->setUpdatesEnabled(false);
  {
    const QSignalBlocker quiet(clb);
    clb->clear();
    for (const auto& [name, path] : outlookFolders_) {
      auto* item = new QListWidgetItem(name, clb);
      item->setData(Qt::UserRole, QByteArray::fromStdString(path));
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  }
  clb->setUpdatesEnabled(true);
  QGuiApplication::restoreOverrideCursor();
  UpdateControls();
}

// --- Start, the run frame and Stop ------------------------------------------------------

void TfrmMain::acImportExecute() {
  list_.idCounter = 0;
  if (miFile->isChecked())
    ImportFile();
  else if (miFolder->isChecked())
    ImportFolder();
  else if (miOutlook->isChecked())
    ImportOutlook();
  else if (miOutlookExpress->isChecked())
    ImportOutlookExpress();
}

bool TfrmMain::BeginHarvestRun() {
  abortFlag_ = false;
  gridModel_->LeaveAllRecordsMode();
  dxGrid->horizontalHeader()->setSortIndicatorShown(false);
  runState_ = TRunState::rsRunning;
  addressCount_ = 0;
  UpdateControls();
  if (!CreateAddressTable(Tdm::DataFolder(), kTableName)) {
    ShowTableFailure();
    runState_ = TRunState::rsIdle;
    RestoreCursor();
    UpdateControls();
    return false;
  }
  gridModel_->Detach();
  try {
    Table()->Open();
    Table()->SetIndexName(tessaly::TDBISAMTableVantor::kEmailIndex);
  } catch (const tessaly::ETableError&) {
    ShowTableFailure();
    runState_ = TRunState::rsIdle;
    RestoreCursor();
    UpdateControls();
    return false;
  }
  progressTotal_ = 0;
  progressShift_ = 0;
  RzPB->setRange(0, 0);
  RzPB->setValue(0);
  ShowRunPanes(true);
  return true;
}

void TfrmMain::EndHarvestRun() {
  tessaly::TDBISAMTableVantor* table = Table();
  if (table && table->Active()) {
    try {
      table->Commit();
      table->First();
    } catch (const tessaly::ETableError&) {
    }
  }
  spImporting->hide();
  rzFilesToGo->hide();
  addressCount_ = HasRecords() ? static_cast<std::int32_t>(table->RecordCount()) : 0;
  RzPB->hide();
  gridModel_->Attach(table);
  runState_ = TRunState::rsDone;
  unsavedAddresses_ = addressCount_ > 0;
  RestoreCursor();
  UpdateControls();
}

void TfrmMain::oeFileSize(std::uint64_t filesize) {
  // The bar counts in int; very large items are counted in coarser steps.
  progressTotal_ = filesize;
  progressShift_ = 0;
  while ((filesize >> progressShift_) > static_cast<std::uint64_t>(INT_MAX)) ++progressShift_;
  RzPB->setRange(0, static_cast<int>(filesize >> progressShift_));
  RzPB->setValue(0);
}

void TfrmMain::oeProgressBar(std::uint64_t position, bool& abort) {
  const std::uint64_t capped = std::min(position, progressTotal_);
  RzPB->setValue(static_cast<int>(capped >> progressShift_));
  abort = abortFlag_;
}

bool TfrmMain::BusyCursorShown() const {
  const QCursor* c = QGuiApplication::overrideCursor();
  return c && c->shape() == Qt::WaitCursor;
}

void TfrmMain::RestoreCursor() {
  while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

void TfrmMain::acStopExecute() {
  if (BusyCursorShown()) return;
  const bool yes = StdDlgs::ConfirmYesNo(QStringLiteral("Do you really want to abort this process?")) ==
                   QMessageBox::Yes;
  abortFlag_ = yes;
  if (yes) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

// --- Enabled states ---------------------------------------------------------------------

bool TfrmMain::HasRecords() const {
  tessaly::TDBISAMTableVantor* table = Table();
  if (!table || !table->Active()) return false;
  try {
    return table->RecordCount() > 0;
  } catch (const tessaly::ETableError&) {
    return false;
  }
}

int TfrmMain::CheckedFolderCount() const {
  int n = 0;
  for (int i = 0; i < clb->count(); ++i)
    if (clb->item(i)->checkState() == Qt::Checked) ++n;
  return n;
}

void TfrmMain::UpdateControls() {
  const bool free = Free();
  const bool fileOrFolder = miFile->isChecked() || miFolder->isChecked();
  const bool doneWithRecords = runState_ == TRunState::rsDone && HasRecords();
  const int ticked = CheckedFolderCount();

  acImport->setEnabled(free && (fileOrFolder || ticked > 0));
  acStop->setEnabled(runState_ == TRunState::rsRunning);
  acOptions->setEnabled(miOutlookExpress->isChecked() && free);
  miOutlookOptions->setEnabled(miOutlook->isChecked() && free);
  acSave->setEnabled(doneWithRecords);
  acSelAll->setEnabled(free);
  acClearAll->setEnabled(free);
  miOutlook->setEnabled(OutlookReady() && free);
  miOutlookExpress->setEnabled(free);
  miFile->setEnabled(free);
  miFolder->setEnabled(free);
  miDeleteEmails->setEnabled(doneWithRecords);
  // The ticks say which folders the running walk reads: they stay as they are until it ends.
  clb->setEnabled(free);
  dxGrid->setToolTip(doneWithRecords ? QStringLiteral("Click on the column header to sort")
                                     : QString());

  spClbSel->setText(fileOrFolder ? QString()
                                 : QStringLiteral("%1 %2").arg(ticked).arg(
                                       ticked == 1 ? QStringLiteral("folder selected")
                                                   : QStringLiteral("folders selected")));
  pnlAddresses->setText(QStringLiteral("%1 %2 %3")
                            .arg(QStringLiteral("Total:"))
                            .arg(addressCount_)
                            .arg(addressCount_ == 1 ? QStringLiteral("Address")
                                                    : QStringLiteral("Addresses")));
}

// --- Folder list --------------------------------------------------------------------------

void TfrmMain::clbChange(QListWidgetItem* /*item*/) {
  // A tick under a running walk would re-create the table beneath it: it only counts.
  if (runState_ == TRunState::rsRunning) {
    UpdateControls();
    return;
  }
  ClearAddressList();
}

void TfrmMain::CheckAllFolders(bool ticked) {
  const QSignalBlocker quiet(clb);
  clb->setUpdatesEnabled(false);
  for (int i = 0; i < clb->count(); ++i)
    clb->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  clb->setUpdatesEnabled(true);
}

void TfrmMain::acSelAllExecute() {
  CheckAllFolders(true);
  UpdateControls();
}

void TfrmMain::acClearAllExecute() {
  CheckAllFolders(false);
  UpdateControls();
}

// --- Closing ------------------------------------------------------------------------------

bool TfrmMain::FormCloseQuery() {
  if (runState_ == TRunState::rsRunning) {
    StdDlgs::ShowInfo(QStringLiteral("Plese, stop the process before closing"));
    return false;
  }
  if (!unsavedAddresses_) return true;
  switch (StdDlgs::ConfirmYesNoCancel(QStringLiteral("Do you want to save these addresses?"))) {
    case QMessageBox::Cancel: return false;
    case QMessageBox::Yes: SaveList(); return !SaveFailed();
    default: return true;
  }
}

void TfrmMain::FormClose() {
  gridModel_->Detach();
  CreateAddressTable(Tdm::DataFolder(), kTableName);
  list_.FreeTable();
  outlookFolders_.clear();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}
