// The Outlook Express source in the window: the store folder and its folder list, the
// options dialog, and the run over the ticked folder files with Stop, a file in use and
// the body scan.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "harvest/Paths.h"
#include <memory>

#include "../core/dbx_blocks.h"
#include "../core/test_support.h"
#include "StdDlgs.h"
#include "UMain.h"
#include "oe5/UFrmOptions.h"
#include "registry/Registry.h"
#include "settings/UDm.h"
#include "sources/OeSource.h"

using tessaly::TMemoryRegistry;
using tessaly::TRegRoot;

namespace {

const std::string kOeKey = "\\Software\\Microsoft\\Outlook Express\\5.0";
const std::string kProfiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

QStringList Items(const QListWidget* clb) {
  QStringList items;
  for (int i = 0; i < clb->count(); ++i) items << clb->item(i)->text();
  return items;
}

bool AnyTicked(const QListWidget* clb) {
  for (int i = 0; i < clb->count(); ++i)
    if (clb->item(i)->checkState() != Qt::Unchecked) return true;
  return false;
}

void WriteFolderFile(const QString& path, const std::vector<std::string>& recipients) {
  tessaly::test::TBlockFile f;
  std::uint32_t at = 0x100;
  for (const std::string& to : recipients)
    at = f.Message(at, tessaly::test::MailText("To: " + to + "\r\n"));
  tessaly::test::WriteFile(path.toStdString(), f.bytes);
}

}  // namespace

class TOeSourceTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;
  QString root_;   // stands for drive C: of the registry's paths
  QString store_;  // the identity's store folder
  std::unique_ptr<Tdm> dm_;
  std::unique_ptr<TfrmMain> w_;
  QStringList boxes_;

  // Two identities; the first one's store is store_, reached through %UserProfile%.
  std::unique_ptr<TMemoryRegistry> Registry(const std::string& storeRoot = "%UserProfile%\\Mail") {
    auto reg = std::make_unique<TMemoryRegistry>();
    reg->SetWindowsFolder("C:\\WINDOWS");
    reg->SetString(TRegRoot::CurrentUser, "Identities\\{A}", "Username", "Ann");
    reg->SetString(TRegRoot::CurrentUser, "Identities\\{A}" + kOeKey, "Store Root", storeRoot);
    reg->SetString(TRegRoot::CurrentUser, "Identities\\{B}", "Username", "Bob");
    reg->SetString(TRegRoot::CurrentUser, "Identities\\{B}" + kOeKey, "Store Root", "C:\\Bob");
    reg->SetString(TRegRoot::LocalMachine, kProfiles + "\\S-1-5-21", "ProfileImagePath",
                   "C:\\Users\\ann");
    const std::string root = root_.toStdString();
    reg->SetPathMapper([root](std::string_view windows) {
      if (windows.size() < 2 || windows.substr(0, 2) != "C:") return std::string(windows);
      std::string local = root + std::string(windows.substr(2));
      for (char& c : local)
        if (c == '\\') c = '/';
      return local;
    });
    return reg;
  }

  void Settings(bool useIdent, const QString& ident, const QString& identName,
                const QString& storeFolder, bool bodyScan = true) {
    dm_->iUseIdent.WriteBool(useIdent);
    dm_->iIdent.setText(ident);
    dm_->iIdentName.setText(identName);
    dm_->ilStoreFolder.setText(storeFolder);
    dm_->iCollectFromOeBody.WriteBool(bodyScan);
  }

  QStringList TableAddresses() {
    QStringList out;
    tessaly::TDBISAMTableVantor* t = w_->Table();
    if (!t || !t->Active()) return out;
    t->SetIndexName("");
    for (t->First(); !t->Eof(); t->Next()) out << QString::fromStdString(t->Current().Email);
    return out;
  }

  void TickAll() {
    for (int i = 0; i < w_->clb->count(); ++i) w_->clb->item(i)->setCheckState(Qt::Checked);
    w_->UpdateControls();
  }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    root_ = scratch_.path() + "/c";
    store_ = root_ + "/Users/ann/Mail";
    QVERIFY(QDir().mkpath(store_));
    QVERIFY(QDir().mkpath(root_ + "/Bob"));
    WriteFolderFile(store_ + "/Inbox.dbx", {"ann@one.example"});
    WriteFolderFile(store_ + "/Outbox.dbx", {"bob@two.example", "cy@three.example"});
    WriteFolderFile(store_ + "/Deleted Items.dbx", {"dee@four.example"});
    WriteFolderFile(store_ + "/.dbx", {"hidden@x.example"});
    StdDlgs::SetResponder([this](StdDlgs::TDlgKind, const QString& text) {
      boxes_ << text;
      return QMessageBox::Yes;
    });
  }

  void init() {
    boxes_.clear();
    dm_ = std::make_unique<Tdm>();
    dm = dm_.get();
    dm_->dmCreate(QCoreApplication::applicationFilePath());
    Settings(true, "{A}", "Ann", QString());
    w_ = std::make_unique<TfrmMain>(*dm_);
    w_->OeSource().SetRegistry(Registry());
    w_->FormActivate();
    w_->miOutlookExpressClick();
  }

  void cleanup() {
    TFrmOptions::SetModalRunner({});
    TFolderPicker::SetRunner({});
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    w_.reset();
    dm = nullptr;
    dm_.reset();
  }

  void loadOeFolders_data() {
    QTest::addColumn<bool>("useIdent");
    QTest::addColumn<QString>("ident");
    QTest::addColumn<QString>("identName");
    QTest::addColumn<QString>("storeRoot");
    QTest::addColumn<QString>("storeFolder");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("listsStore");  // else the executable's folder
    const QString gone = scratch_.path() + "/removed";
    QTest::newRow("identity") << true << "{A}"
                              << "Ann"
                              << "%UserProfile%\\Mail"
                              << ""
                              << "OE5 Folders - Ann" << true;
    QTest::newRow("stored identity gone: the first one, the stored name")
        << true << "{GONE}"
        << "Old Name"
        << "%UserProfile%\\Mail"
        << ""
        << "OE5 Folders - Old Name" << true;
    QTest::newRow("blank identity name") << true << "{a}"
                                         << "  "
                                         << "%UserProfile%\\Mail"
                                         << ""
                                         << "OE5 Folders" << true;
    QTest::newRow("placeholder in capitals") << true << "{A}"
                                             << "Ann"
                                             << "%USERPROFILE%\\Mail"
                                             << ""
                                             << "OE5 Folders - Ann" << false;
    QTest::newRow("own folder") << false << "{A}"
                                << "Ann"
                                << "" << store_ << "No identity selected" << true;
    QTest::newRow("own folder removed") << false << "{A}"
                                        << "Ann"
                                        << "" << gone << "No identity selected" << false;
  }

  void loadOeFolders() {
    QFETCH(bool, useIdent);
    QFETCH(QString, ident);
    QFETCH(QString, identName);
    QFETCH(QString, storeRoot);
    QFETCH(QString, storeFolder);
    QFETCH(QString, header);
    QFETCH(bool, listsStore);
    Settings(useIdent, ident, identName, storeFolder);
    if (!storeRoot.isEmpty()) w_->OeSource().SetRegistry(Registry(storeRoot.toStdString()));
    w_->miOutlookExpressClick();

    QCOMPARE(w_->Panel4->text(), header);
    QVERIFY(!w_->Panel2->isHidden());
    QVERIFY(w_->acOptions->isEnabled());
    const QString expected = listsStore ? store_ : Tdm::ProgramFolder();
    QCOMPARE(dm_->ilStoreFolder.text(), expected);
    QCOMPARE(w_->OeSource().listFolder, expected);
    if (listsStore) {
      QCOMPARE(Items(w_->clb), (QStringList{"Deleted Items", "Inbox", "Outbox"}));
    } else {
      QCOMPARE(w_->clb->count(), 0);
    }
    QVERIFY(!AnyTicked(w_->clb));
    QCOMPARE(w_->spClbSel->text(), QStringLiteral("0 folders selected"));
    QVERIFY(!w_->acImport->isEnabled());
  }

  void optionsDialogLoadsChecksAndSaves() {
    Settings(true, "{B}", "BOB", store_, false);
    TFrmOptions dlg(*dm_, w_->OeSource().oe, w_.get());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Options"));
    QCOMPARE(dlg.size(), QSize(329, 326));
    QCOMPARE(dlg.cbId->count(), 2);
    QCOMPARE(dlg.cbId->currentIndex(), 1);  // the stored name, letter case ignored
    QVERIFY(dlg.cbUseIdentities->isEnabled() && dlg.cbUseIdentities->isChecked());
    QVERIFY(dlg.cbId->isEnabled());
    QVERIFY(!dlg.beFolder->isEnabled() && !dlg.beFolderButton->isEnabled());
    QCOMPARE(dlg.beFolder->text(), store_);
    QVERIFY(!dlg.cbCollectFromOEBody->isChecked());

    dlg.show();
    dlg.cbUseIdentities->setChecked(false);
    QVERIFY(dlg.beFolder->isEnabled() && dlg.beFolderButton->isEnabled());
    QVERIFY(!dlg.cbId->isEnabled());

    // A folder that does not exist keeps the dialog open with the box focused.
    dlg.beFolder->setText(scratch_.path() + "/nowhere");
    dlg.btOKClick();
    QCOMPARE(boxes_, QStringList{"Invalid directory"});
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(dlg.focusWidget(), dlg.beFolder);
    QVERIFY(dm_->iUseIdent.ReadBool());

    // The picker starts at the folder in use; its answer is trimmed and gets a separator.
    QString startedAt;
    TFolderPicker::SetRunner([&](TFolderPicker& fb) {
      startedAt = fb.Directory;
      EXPECT_CAPTIONS(fb);
      fb.Directory = "  " + root_ + "/Bob\t";
      return true;
    });
    dlg.beFolderButtonClick();
    QCOMPARE(startedAt, store_);
    QCOMPARE(dlg.beFolder->text(), root_ + "/Bob/");

    dlg.cbCollectFromOEBody->setChecked(true);
    dlg.btOKClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dm_->iUseIdent.ReadBool());
    QCOMPARE(dm_->ilStoreFolder.text(), root_ + "/Bob/");
    QCOMPARE(dm_->iIdent.text(), QStringLiteral("{B}"));
    QCOMPARE(dm_->iIdentName.text(), QStringLiteral("Bob"));
    QVERIFY(dm_->iCollectFromOeBody.ReadBool());
  }

  void optionsDialogWithIdentitiesInUse() {
    Settings(true, "{A}", "", store_);
    TFrmOptions dlg(*dm_, w_->OeSource().oe, w_.get());
    dlg.show();
    QCOMPARE(dlg.cbId->currentIndex(), 0);
    // With identities in use the folder box is not tested, only trimmed and stored.
    dlg.beFolder->setText("  /no/such/folder ");
    dlg.cbId->setCurrentIndex(-1);
    dlg.btOKClick();
    QCOMPARE(boxes_, QStringList{"No identity selected"});
    QCOMPARE(dlg.focusWidget(), dlg.cbId);
    dlg.cbId->setCurrentIndex(0);
    dlg.btOKClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dm_->ilStoreFolder.text(), QStringLiteral("/no/such/folder"));
    QCOMPARE(dm_->iIdent.text(), QStringLiteral("{A}"));
    // The next load puts the identity's folder back.
    w_->LoadOeFolders();
    QCOMPARE(dm_->ilStoreFolder.text(), store_);
  }

  void optionsDialogWithoutIdentities() {
    Settings(true, "{A}", "Ann", store_);
    w_->OeSource().SetRegistry(std::make_unique<TMemoryRegistry>());
    TFrmOptions dlg(*dm_, w_->OeSource().oe, w_.get());
    QCOMPARE(dlg.cbId->count(), 0);
    QVERIFY(!dlg.cbUseIdentities->isEnabled());
    QVERIFY(!dlg.cbUseIdentities->isChecked());
    QVERIFY(dlg.beFolder->isEnabled());
    dlg.btOKClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dm_->iUseIdent.ReadBool());
    QCOMPARE(dm_->iIdent.text(), QString());
    QCOMPARE(dm_->iIdentName.text(), QString());
  }

  void acOptionsCentresTheDialogAndReloadsOnlyAfterOk() {
    w_->setGeometry(100, 50, 701, 501);
    QPoint shownAt;
    int shown = 0;
    TFrmOptions::SetModalRunner([&](TFrmOptions& dlg) {
      ++shown;
      shownAt = dlg.pos();
      dlg.cbUseIdentities->setChecked(false);
      dlg.beFolder->setText(store_);
      return int(QDialog::Rejected);
    });
    w_->clb->item(0)->setCheckState(Qt::Checked);
    w_->acOptions->trigger();  // the command is wired to its handler
    QCOMPARE(shown, 1);
    const QRect main = w_->frameGeometry();
    QCOMPARE(shownAt, QPoint(main.left() + main.width() / 2 - 329 / 2,
                             main.top() + main.height() / 2 - 326 / 2));
    // Cancel: nothing saved, nothing reloaded.
    QVERIFY(dm_->iUseIdent.ReadBool());
    QVERIFY(AnyTicked(w_->clb));

    TFrmOptions::SetModalRunner([&](TFrmOptions& dlg) {
      dlg.cbUseIdentities->setChecked(false);
      dlg.beFolder->setText(root_ + "/Bob");
      dlg.btOKClick();
      return dlg.result();
    });
    w_->acOptionsClick();
    QCOMPARE(w_->Panel4->text(), QStringLiteral("No identity selected"));
    QCOMPARE(w_->OeSource().listFolder, root_ + "/Bob");
    QCOMPARE(w_->clb->count(), 0);
  }

  void importReadsEveryTickedFolderAndScansItsBody() {
    struct Seen {
      QString file, pane;
      int row;
    };
    QList<Seen> scans;
    w_->OeSource().RawScan = [&](const std::string& path) {
      scans.append({QString::fromStdString(std::filesystem::path(path).filename().string()),
                    w_->rzFilesToGo->text(), w_->clb->currentRow()});
    };
    w_->clb->item(1)->setCheckState(Qt::Checked);  // Inbox
    w_->clb->item(2)->setCheckState(Qt::Checked);  // Outbox
    w_->UpdateControls();
    QVERIFY(w_->acImport->isEnabled());
    w_->acImportExecute();
    QCOMPARE(scans.size(), 2);
    QCOMPARE(scans[0].file, QStringLiteral("Inbox.dbx"));
    QCOMPARE(scans[0].pane, QStringLiteral("File: 1/2"));
    QCOMPARE(scans[0].row, 1);
    QCOMPARE(scans[1].file, QStringLiteral("Outbox.dbx"));
    QCOMPARE(scans[1].pane, QStringLiteral("File: 2/2"));
    QCOMPARE(TableAddresses(),
             (QStringList{"ann@one.example", "bob@two.example", "cy@three.example"}));
    QCOMPARE(w_->RunState(), TRunState::rsDone);
    QCOMPARE(w_->AddressCount(), 3);
    QVERIFY(boxes_.isEmpty());

    // Without the setting the body scan is not run.
    scans.clear();
    dm_->iCollectFromOeBody.WriteBool(false);
    TickAll();
    w_->acImportExecute();
    QVERIFY(scans.isEmpty());
    QCOMPARE(w_->AddressCount(), 4);
  }

  void theBodyScanAddsTheAddressesOfTheRawFolderFile() {
    const std::string inbox =
        tessaly::JoinPath(w_->OeSource().listFolder.toStdString(), "Inbox.dbx");
    {
      std::ofstream raw(inbox, std::ios::binary | std::ios::app);
      raw << "\r\nbody text: write to zed@raw.example, or ANN@ONE.EXAMPLE\r\n";
    }
    w_->clb->item(1)->setCheckState(Qt::Checked);  // Inbox
    w_->acImportExecute();
    QCOMPARE(TableAddresses(), (QStringList{"ann@one.example", "zed@raw.example"}));
    auto* table = w_->Table();
    table->SetIndexName("ndxemail");
    QVERIFY(table->FindKey("zed@raw.example"));
    QCOMPARE(table->Current().Field, std::string());
    QCOMPARE(table->Current().Name, std::string());
  }

  void aFolderFileWhoseExtensionIsInCapitalsIsReadUnderItsOwnName() {
    const QString own = scratch_.path() + "/own";
    QVERIFY(QDir().mkpath(own));
    WriteFolderFile(own + "/Sent.DBX", {"eve@five.example"});
    Settings(false, "", "", own);
    w_->miOutlookExpressClick();
    QCOMPARE(Items(w_->clb), QStringList{"Sent"});
    TickAll();
    w_->acImportExecute();
    QVERIFY(boxes_.isEmpty());
    QCOMPARE(TableAddresses(), QStringList{"eve@five.example"});
  }

  void stopDuringTheSecondOfThreeFolders() {
    TickAll();
    QStringList scanned;
    w_->OeSource().RawScan = [&](const std::string& path) {
      scanned << QString::fromStdString(path);
    };
    // Stop is confirmed while the second folder (Inbox) is read, at its first address.
    auto sink = w_->OeSource().oe.onAddress;
    w_->OeSource().oe.onAddress = [&](void* s, std::string_view e, std::string_view n,
                                      std::uint8_t k, int ndx) {
      sink(s, e, n, k, ndx);
      if (e == "ann@one.example") w_->acStopExecute();
    };
    WriteFolderFile(store_ + "/Inbox.dbx", {"ann@one.example", "late@one.example"});
    w_->acImportExecute();
    WriteFolderFile(store_ + "/Inbox.dbx", {"ann@one.example"});

    QCOMPARE(boxes_, QStringList{"Do you really want to abort this process?"});
    QCOMPARE(scanned.size(), 1);  // the first folder's; not the stopped one's
    QCOMPARE(TableAddresses(), (QStringList{"dee@four.example", "ann@one.example"}));
    QCOMPARE(w_->RunState(), TRunState::rsDone);
    QVERIFY(!QGuiApplication::overrideCursor());
  }

  void aFolderFileInUseEndsTheRunKeepingWhatWasFound() {
    TickAll();
    const int holder = ::open((store_ + "/Inbox.dbx").toLocal8Bit().constData(), O_RDONLY);
    QVERIFY(holder >= 0);
    QCOMPARE(::flock(holder, LOCK_EX), 0);
    QStringList scanned;
    w_->OeSource().RawScan = [&](const std::string& path) {
      scanned << QString::fromStdString(path);
    };
    w_->acImportExecute();
    ::close(holder);
    QCOMPARE(boxes_, QStringList{"Cannot Import. Please, close Outlook Express"});
    QCOMPARE(TableAddresses(), QStringList{"dee@four.example"});
    QCOMPARE(scanned.size(), 1);
    QCOMPARE(w_->RunState(), TRunState::rsDone);
    QCOMPARE(w_->AddressCount(), 1);
  }

  void aFailingBodyScanHidesTheBarAndTheRunGoesOn() {
    TickAll();
    QList<bool> barHidden;
    w_->OeSource().RawScan = [&](const std::string&) {
      barHidden << w_->RzPB->isHidden();
      if (barHidden.size() == 1) throw std::runtime_error("cannot open");
    };
    w_->acImportExecute();
    QCOMPARE(barHidden, (QList<bool>{false, true, true}));
    QVERIFY(boxes_.isEmpty());
    QCOMPARE(w_->AddressCount(), 4);
  }

 private:
  static void EXPECT_CAPTIONS(const TFolderPicker& fb) {
    QCOMPARE(fb.Caption, QStringLiteral("Store Folder"));
    QCOMPARE(fb.Prompt, QStringLiteral("Select Outlook Express 5 Store Folder"));
  }
};

int main(int argc, char** argv) {
  // A settings store and data folder of this test's own, so that other tests running at
  // the same time keep theirs.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
  qunsetenv("WINEPREFIX");
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Norwend"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
  TOeSourceTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "oe_source_test.moc"
