// The harvest spine seen from the main window: the run states, the enabled commands, Stop,
// the list after a run, the source toggles and closing.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTableView>
#include <QtTest>

#include "AddressGridModel.h"
#include "SaveListDialog.h"
#include "sources/FBrowse.h"
#include "UMain.h"
#include "app_test_support.h"

using tessaly::TRunState;

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Tdm> data_;
  std::unique_ptr<TfrmMain> win_;

  TfrmMain& Win() { return *win_; }

  // A run that reports these addresses through the sink, as a source does.
  void Run(const QStringList& addresses) {
    QVERIFY(Win().BeginHarvestRun());
    auto events = Win().HarvestEvents();
    for (const QString& a : addresses)
      events.onAddress(nullptr, a.toStdString(), "", tessaly::akFrom, 0);
    Win().EndHarvestRun();
  }

  void AddFolders(int n) {
    for (int i = 0; i < n; ++i) {
      auto* item = new QListWidgetItem(QStringLiteral("Folder %1").arg(i), Win().clb);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const QSignalBlocker quiet(Win().clb);
      item->setCheckState(Qt::Unchecked);
    }
  }

 private Q_SLOTS:
  void initTestCase() { apptest::UseScratchStore(); }

  void init() {
    data_ = apptest::NewDm();
    win_ = std::make_unique<TfrmMain>(*data_);
    win_->FormActivate();
  }

  void cleanup() {
    win_.reset();
    data_.reset();
    apptest::ClearStore();
  }

  void firstActivationLeavesAnEmptyListOnTheFileSource() {
    QCOMPARE(Win().RunState(), TRunState::rsIdle);
    QVERIFY(Win().miFile->isChecked());
    QVERIFY(Win().Table() && Win().Table()->Active());
    QVERIFY(QFile::exists(Win().TablePath()));
    QVERIFY(Win().TablePath().startsWith(QDir::homePath()) ||
            Win().TablePath().contains(QStringLiteral("test-home")));
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 0 Addresses"));
    QVERIFY(Win().dxRemoveDuplicates->isChecked());  // Duplicates is false by default
    QVERIFY(Win().acImport->isEnabled());
    QCOMPARE(Win().spClbSel->text(), QString());
    QCOMPARE(Win().windowTitle(), QStringLiteral("Tessaly"));
  }

  void aRunMovesThroughTheStatesAndShowsTheListInAddressOrder() {
    QVERIFY(Win().BeginHarvestRun());
    QCOMPARE(Win().RunState(), TRunState::rsRunning);
    QVERIFY(!Win().acImport->isEnabled());
    QVERIFY(Win().acStop->isEnabled());
    QVERIFY(!Win().RzPB->isHidden());
    QVERIFY(!Win().spImporting->isHidden());
    auto events = Win().HarvestEvents();
    for (const char* a : {"zoe@x.test", "Adam@x.test", "adam@X.TEST", "mia@x.test"})
      events.onAddress(nullptr, a, "", tessaly::akTo, 0);
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 0 Addresses"));
    Win().EndHarvestRun();

    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(Win().AddressCount(), 3);
    QVERIFY(Win().UnsavedAddresses());
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 3 Addresses"));
    QVERIFY(Win().RzPB->isHidden() && Win().spImporting->isHidden() &&
            Win().rzFilesToGo->isHidden());
    QVERIFY(Win().acSave->isEnabled() && Win().miDeleteEmails->isEnabled());
    QCOMPARE(Win().dxGrid->toolTip(), QStringLiteral("Click on the column header to sort"));
    auto* model = Win().GridModel();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Adam@x.test"));
    QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("zoe@x.test"));
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("TO"));
  }

  void theHeaderCountsOneAddressAndNoneWithTheRightWord() {
    Run({});
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 0 Addresses"));
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QVERIFY(!Win().acSave->isEnabled() && !Win().miDeleteEmails->isEnabled());
    QVERIFY(!Win().UnsavedAddresses());
    Run({QStringLiteral("one@x.test")});
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 1 Address"));
  }

  void everyRunNumbersItsAddressesFromOneAgain() {
    Run({QStringLiteral("a@x.test"), QStringLiteral("b@x.test")});
    Win().acImportExecute();  // the File source with the file dialog cancelled
    QCOMPARE(Win().IdCounter(), 0);
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(Win().AddressCount(), 2);
    Run({QStringLiteral("c@x.test")});
    Win().Table()->SetIndexName("");
    Win().Table()->First();
    QCOMPARE(Win().Table()->Current().id, 1);
    QCOMPARE(Win().Table()->Current().Email, std::string("c@x.test"));
  }

  void updateControls_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("state");  // 0 idle, 1 running, 2 done with records
    QTest::addColumn<int>("ticked");
    // Start, Stop, OE options, Outlook options, Save As, Select All, Delete, File source
    QTest::addColumn<QString>("enabled");
    QTest::newRow("file idle") << "file" << 0 << 0 << "10000101";
    QTest::newRow("folder idle") << "folder" << 0 << 0 << "10000101";
    QTest::newRow("oe idle none ticked") << "oe" << 0 << 0 << "00100101";
    QTest::newRow("oe idle one ticked") << "oe" << 0 << 1 << "10100101";
    QTest::newRow("file running") << "file" << 1 << 0 << "01000000";
    QTest::newRow("oe running") << "oe" << 1 << 2 << "01000000";
    QTest::newRow("file done") << "file" << 2 << 0 << "10001111";
    QTest::newRow("oe done ticked") << "oe" << 2 << 1 << "10101111";
  }
  void updateControls() {
    QFETCH(QString, source);
    QFETCH(int, state);
    QFETCH(int, ticked);
    QFETCH(QString, enabled);
    if (source == QLatin1String("folder")) Win().miFolderClick();
    if (source == QLatin1String("oe")) Win().miOutlookExpressClick();
    AddFolders(3);
    {
      const QSignalBlocker quiet(Win().clb);
      for (int i = 0; i < ticked; ++i) Win().clb->item(i)->setCheckState(Qt::Checked);
    }
    if (state >= 1) QVERIFY(Win().BeginHarvestRun());
    if (state == 2) {
      Win().HarvestEvents().onAddress(nullptr, "x@x.test", "", 0, 0);
      Win().EndHarvestRun();
    }
    Win().UpdateControls();
    const QAction* items[] = {Win().acImport, Win().acStop,   Win().acOptions,
                              Win().miOutlookOptions, Win().acSave, Win().acSelAll,
                              Win().miDeleteEmails, Win().miFile};
    QString actual;
    for (const QAction* a : items) actual += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(actual, enabled);
    QVERIFY(!Win().miOutlook->isEnabled());  // no Outlook on this machine
    for (QAction* always : {Win().dxBarButtonClose, Win().dxBarButton4, Win().dxBarButton1,
                            Win().dxBarButton5, Win().dxBarButton6, Win().dxRemoveDuplicates})
      QVERIFY(always->isEnabled());
    if (source == QLatin1String("oe"))
      QCOMPARE(Win().spClbSel->text(), ticked == 1 ? QStringLiteral("1 folder selected")
                                                   : QStringLiteral("%1 folders selected").arg(ticked));
    if (state == 1) Win().EndHarvestRun();
  }

  void stopAsksOnceAndTheWalkEndsAtTheNextProgressReport() {
    apptest::ScriptedUser user;
    QVERIFY(Win().BeginHarvestRun());
    Win().oeFileSize(1000);
    bool abort = true;
    user.answers = {QMessageBox::No};
    Win().acStopExecute();
    Win().oeProgressBar(10, abort);
    QVERIFY(!abort);
    QCOMPARE(Win().RzPB->value(), 10);

    user.answers = {QMessageBox::Yes};
    Win().acStopExecute();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Win().acStopExecute();  // a second Stop asks nothing
    QCOMPARE(user.shown.size(), 2);
    QCOMPARE(user.shown.first(), QStringLiteral("Do you really want to abort this process?"));
    Win().oeProgressBar(20, abort);
    QVERIFY(abort);
    Win().EndHarvestRun();
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(Win().RunState(), TRunState::rsDone);
  }

  void theProgressBarKeepsItsScaleForItemsBeyondFourGigabytes() {
    QVERIFY(Win().BeginHarvestRun());
    const std::uint64_t total = 10ull << 30;
    Win().oeFileSize(total);
    bool abort = false;
    Win().oeProgressBar(total / 2, abort);
    QCOMPARE(Win().RzPB->value() * 2 / 1000, Win().RzPB->maximum() / 1000);
    Win().oeProgressBar(total, abort);
    QCOMPARE(Win().RzPB->value(), Win().RzPB->maximum());
    Win().EndHarvestRun();
  }

  void aTableThatCannotBeCreatedEndsTheRunBeforeItStarts() {
    apptest::ScriptedUser user;
    Run({QStringLiteral("kept@x.test")});
    // Something that is not a table, and cannot be replaced, stands at the table's path.
    const QString path = Win().TablePath();
    Win().List().FreeTable();
    QFile::remove(path);
    QVERIFY(QDir().mkpath(path + QStringLiteral("/blocker")));
    QVERIFY(!Win().BeginHarvestRun());
    QCOMPARE(user.shown, QStringList{QStringLiteral("Unable to create ") + path});
    QCOMPARE(Win().RunState(), TRunState::rsIdle);
    QVERIFY(Win().acImport->isEnabled());
    QDir(path).removeRecursively();
  }

  void aSecondCopyFindsTheDataFolderInUseAndLeavesTheFirstListAlone() {
    Run({QStringLiteral("first@x.test")});
    apptest::ScriptedUser user;
    auto secondDm = apptest::NewDm();
    TfrmMain second(*secondDm);
    second.FormActivate();
    QCOMPARE(user.shown, QStringList{QStringLiteral("Unable to create ") + second.TablePath()});
    QCOMPARE(Win().Table()->RecordCount(), 1);
  }

  void sourceChoicesEmptyTheListExceptOutlook() {
    Run({QStringLiteral("a@x.test")});
    Win().miOutlookClick();
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(Win().AddressCount(), 1);
    QVERIFY(!Win().Panel2->isHidden());
    QCOMPARE(Win().Panel4->text(), QStringLiteral("Outlook Folders"));
    QVERIFY(Win().miOutlookOptions->isEnabled() && !Win().acOptions->isEnabled());

    Win().miFileClick();
    QCOMPARE(Win().RunState(), TRunState::rsIdle);
    QCOMPARE(Win().pnlAddresses->text(), QStringLiteral("Total: 0 Addresses"));
    QVERIFY(Win().Panel2->isHidden());
    Run({QStringLiteral("b@x.test")});
    Win().miFileClick();  // File again while File is the source
    QCOMPARE(Win().RunState(), TRunState::rsIdle);
    QVERIFY(!Win().acSave->isEnabled());
  }

  void aUserTickEmptiesTheListButSelectAllDoesNot() {
    Win().miOutlookExpressClick();
    AddFolders(2);
    Run({QStringLiteral("a@x.test")});
    Win().acSelAllExecute();
    QCOMPARE(Win().AddressCount(), 1);
    QCOMPARE(Win().spClbSel->text(), QStringLiteral("2 folders selected"));
    Win().clb->item(0)->setCheckState(Qt::Unchecked);  // as a click on the tick does
    QCOMPARE(Win().AddressCount(), 0);
    QCOMPARE(Win().RunState(), TRunState::rsIdle);
    QVERIFY(!Win().acSave->isEnabled());
  }

  void aTickDuringARunDoesNotDisturbIt() {
    Win().miOutlookExpressClick();
    AddFolders(2);
    QVERIFY(Win().BeginHarvestRun());
    Win().HarvestEvents().onAddress(nullptr, "a@x.test", "", 0, 0);
    Win().clb->item(1)->setCheckState(Qt::Checked);
    Win().HarvestEvents().onAddress(nullptr, "b@x.test", "", 0, 0);
    Win().EndHarvestRun();
    QCOMPARE(Win().AddressCount(), 2);
  }

  void ignoreDuplicatesWritesTheOppositeOfItsState() {
    Win().dxRemoveDuplicates->trigger();  // now up: keep every report
    QCOMPARE(data_->iDuplicates.text(), QStringLiteral("true"));
    Run({QStringLiteral("d@x.test"), QStringLiteral("D@X.TEST")});
    QCOMPARE(Win().AddressCount(), 2);
    Win().dxRemoveDuplicates->trigger();
    QCOMPARE(data_->iDuplicates.text(), QStringLiteral("false"));
  }

  void headerClicksSortTheGridButNotTheTable() {
    QVERIFY(Win().BeginHarvestRun());
    auto events = Win().HarvestEvents();
    events.onAddress(nullptr, "a@x.test", "Zed", 0, 0);
    events.onAddress(nullptr, "b@x.test", "Amy", 0, 0);
    events.onAddress(nullptr, "c@x.test", "moe", 0, 0);
    Win().EndHarvestRun();
    auto* model = Win().GridModel();
    Win().dxGridColumnClick(1);
    QVERIFY(model->AllRecordsMode());
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Amy"));
    QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("Zed"));
    Win().dxGridColumnClick(1);
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Zed"));
    Win().Table()->First();
    QCOMPARE(Win().Table()->Current().Email, std::string("a@x.test"));
    QVERIFY(Win().BeginHarvestRun());  // every run returns the grid to live mode
    QVERIFY(!model->AllRecordsMode());
    Win().EndHarvestRun();
  }

  void theShortcutsReachTheirCommands() {
    Win().show();
    QVERIFY(QTest::qWaitForWindowActive(&Win()));
    int fileDialogs = 0, saveDialogs = 0;
    TOpenDialog::SetResponder([&](const TOpenDialog&) {
      ++fileDialogs;
      return std::optional<QString>();
    });
    TSaveListDialog::SetResponder([&](TSaveListDialog&) {
      ++saveDialogs;
      return int(QDialog::Rejected);
    });
    QTest::keyClick(&Win(), Qt::Key_S, Qt::ControlModifier);  // Start, not Save
    QCOMPARE(fileDialogs, 1);
    QCOMPARE(saveDialogs, 0);
    Run({QStringLiteral("a@mail.test")});
    QTest::keyClick(&Win(), Qt::Key_A, Qt::ControlModifier);  // Save As, not select all
    QCOMPARE(saveDialogs, 1);
    Win().miOutlookExpressClick();
    AddFolders(2);
    QTest::keyClick(&Win(), Qt::Key_L, Qt::ControlModifier);  // Select All
    QCOMPARE(Win().CheckedFolderCount(), 2);
    QTest::keyClick(&Win(), Qt::Key_R, Qt::ControlModifier);  // Clear
    QCOMPARE(Win().CheckedFolderCount(), 0);
    apptest::CancelEveryChooser();
  }

  void closing_data() {
    QTest::addColumn<int>("state");  // 0 idle, 1 running, 2 done with unsaved addresses
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("asked");
    QTest::newRow("running") << 1 << 0 << false << "Plese, stop the process before closing";
    QTest::newRow("nothing unsaved") << 0 << 0 << true << "";
    QTest::newRow("unsaved, Cancel") << 2 << int(QMessageBox::Cancel) << false
                                     << "Do you want to save these addresses?";
    QTest::newRow("unsaved, Yes") << 2 << int(QMessageBox::Yes) << true
                                  << "Do you want to save these addresses?";
    QTest::newRow("unsaved, No") << 2 << int(QMessageBox::No) << true
                                 << "Do you want to save these addresses?";
  }
  void closing() {
    QFETCH(int, state);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(QString, asked);
    apptest::ScriptedUser user;
    if (state == 1) QVERIFY(Win().BeginHarvestRun());
    if (state == 2) Run({QStringLiteral("s@x.test")});
    if (answer) user.answers = {QMessageBox::StandardButton(answer)};
    Win().show();
    QCOMPARE(Win().close(), closes);
    QCOMPARE(user.shown.join(QString()), asked);
    if (closes) {
      // Closing leaves the table empty on disk.
      QVERIFY(QFile::exists(Win().TablePath()));
      QCOMPARE(Win().Table(), nullptr);
    }
    if (state == 1) Win().EndHarvestRun();
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
