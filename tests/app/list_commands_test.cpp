// Save As and Delete Emails on the main window, with the two dialogs and the message boxes
// answered by test doubles.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <tuple>
#include <vector>

#include "AddressGridModel.h"
#include "SaveListDialog.h"
#include "StdDlgs.h"
#include "UFrmDeleteEmails.h"
#include "UMain.h"
#include "harvest/EventPump.h"
#include "settings/UDm.h"

using tessaly::TRunState;

namespace {

struct Box {
  StdDlgs::TDlgKind kind;
  QString text;
};

// What the save dialog looked like when it was shown.
struct SaveDialogSeen {
  QString title, folder, selectedFilter, defaultSuffix;
  QStringList filters;
  bool confirmsOverwrite = false;
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const QByteArray kLayout6 =
    "\"Email\",\"Name\",\"Field\",\r\n"
    "\"Ann@example.test\",\"\",\"TO\"\r\n"
    "\"bob@example.test\",\"Bob The Builder\",\"CC\"\r\n"
    "\"carl@BOGUS.test\",\"Carl\",\"BODY\"\r\n"
    "\"dora@example.test\",\"Dora\",\"TO\"\r\n"
    "\"zed@bogus.test\",\"Zed\",\"FROM\"\r\n";

}  // namespace

class ListCommandsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Tdm> dm_;
  std::unique_ptr<TfrmMain> main_;
  std::vector<Box> boxes_;
  QMessageBox::StandardButton answer_ = QMessageBox::Yes;
  QTemporaryDir scratch_;

  // A finished run over five addresses, in id order; the e-mail order is Ann, bob, carl,
  // dora, zed.
  void Harvest() {
    QVERIFY(main_->BeginHarvestRun());
    const tessaly::THarvestEvents events = main_->HarvestEvents();
    for (const auto& [email, name, kind] : std::vector<std::tuple<const char*, const char*, int>>{
             {"zed@bogus.test", "Zed", 0},
             {"Ann@example.test", "", 1},
             {"bob@example.test", "Bob \"The\" Builder ", 3},
             {"carl@BOGUS.test", "Carl", 5},
             {"dora@example.test", "Dora", 1}})
      events.onAddress(nullptr, email, name, static_cast<std::uint8_t>(kind), 0);
    main_->EndHarvestRun();
    QCOMPARE(main_->AddressCount(), 5);
  }

  QStringList GridEmails() const {
    QStringList emails;
    const TAddressGridModel* model = main_->GridModel();
    for (int row = 0; row < model->rowCount(); ++row)
      emails << model->data(model->index(row, 0), Qt::DisplayRole).toString();
    return emails;
  }

  // The save dialog answers with this file and file-type entry; seen records the dialog.
  void AnswerSave(const QString& path, int entry, SaveDialogSeen* seen = nullptr,
                  std::function<void()> beforeWriting = {}) {
    TSaveListDialog::SetResponder([=](TSaveListDialog& d) {
      if (seen) {
        seen->title = d.windowTitle();
        seen->folder = d.directory().absolutePath();
        seen->filters = d.nameFilters();
        seen->selectedFilter = d.selectedNameFilter();
        seen->defaultSuffix = d.defaultSuffix();
        seen->confirmsOverwrite = !d.testOption(QFileDialog::DontConfirmOverwrite);
      }
      if (path.isEmpty()) return int(QDialog::Rejected);
      d.selectNameFilter(d.nameFilters().value(entry - 1));
      d.selectFile(path);
      if (beforeWriting) beforeWriting();
      return int(QDialog::Accepted);
    });
  }

  void AnswerDelete(const QString& pattern, int result = QDialog::Accepted) {
    TfrmDeleteEmails::SetResponder([=](TfrmDeleteEmails& d) {
      d.Edit1->setText(pattern);
      return result;
    });
  }

  QString Scratch(const QString& name) const { return scratch_.path() + QLatin1Char('/') + name; }

 private Q_SLOTS:
  void init() {
    boxes_.clear();
    answer_ = QMessageBox::Yes;
    StdDlgs::SetResponder([this](StdDlgs::TDlgKind kind, const QString& text) {
      // A test that wrote without rights gets them back as soon as the outcome shows.
      if (::geteuid() != ::getuid()) (void)::seteuid(::getuid());
      boxes_.push_back({kind, text});
      return answer_;
    });
    dm_ = std::make_unique<Tdm>();
    dm = dm_.get();
    dm_->dmCreate(QCoreApplication::applicationFilePath());
    dm_->ilExportDir.setText(QString());
    main_ = std::make_unique<TfrmMain>(*dm_);
    main_->FormActivate();
    QCOMPARE(main_->RunState(), TRunState::rsIdle);
  }

  void cleanup() {
    tessaly::InstallEventPump({});
    TSaveListDialog::SetResponder({});
    TfrmDeleteEmails::SetResponder({});
    main_.reset();
    dm = nullptr;
    dm_.reset();
    StdDlgs::SetResponder({});
    QLocale::setDefault(QLocale::system());
  }

  // --- Save As ----------------------------------------------------------------------------

  void theSaveDialogOffersTheSevenLayoutsInTheExportFolder_data() {
    QTest::addColumn<QString>("exportDir");
    QTest::addColumn<bool>("opensThere");
    QTest::newRow("no folder stored") << QString() << false;
    QTest::newRow("a folder that is gone") << QStringLiteral("/no/such/folder/") << false;
    QTest::newRow("an existing folder") << QStringLiteral("<scratch>") << true;
  }

  void theSaveDialogOffersTheSevenLayoutsInTheExportFolder() {
    QFETCH(QString, exportDir);
    QFETCH(bool, opensThere);
    if (exportDir == QStringLiteral("<scratch>")) exportDir = scratch_.path() + QLatin1Char('/');
    dm_->ilExportDir.setText(exportDir);
    QDir(Tdm::DefaultExportFolder()).removeRecursively();
    Harvest();

    SaveDialogSeen seen;
    AnswerSave(QString(), 0, &seen);
    main_->acSave->trigger();

    QCOMPARE(seen.title, QStringLiteral("Save list as"));
    QCOMPARE(
        seen.filters,
        QStringList({"E-Mail DBase file (*.dbf)", "E-Mail Text file (*.txt)",
                     "E-Mail Comma Separated file (*.csv)", "E-Mail/Name DBase file (*.dbf)",
                     "E-Mail/Name Text file (*.txt)", "E-Mail/Name Comma Separated file (*.csv)",
                     "Outlook Express 5 Import file (*.csv)"}));
    QCOMPARE(seen.selectedFilter, seen.filters.first());
    QCOMPARE(seen.defaultSuffix, QStringLiteral("dbf"));
    QVERIFY(seen.confirmsOverwrite);
    const QString expected = opensThere ? QDir(exportDir).absolutePath()
                                        : QDir(Tdm::DefaultExportFolder()).absolutePath();
    QCOMPARE(seen.folder, expected);
    // The default folder is made when the dialog is prepared, even though it was cancelled.
    QCOMPARE(QFileInfo(Tdm::DefaultExportFolder()).isDir(), !opensThere);
    // Cancelled: nothing stored, nothing saved.
    QCOMPARE(dm_->ilExportDir.text(), exportDir);
    QVERIFY(main_->UnsavedAddresses());
    QVERIFY(boxes_.empty());
  }

  void savingWritesTheTablesOrderWhateverTheGridShowsAndRemembersTheFolder() {
    Harvest();
    // Sorted by name, descending: the grid's own copy only.
    main_->dxGridColumnClick(1);
    main_->dxGridColumnClick(1);
    QCOMPARE(GridEmails().first(), QStringLiteral("zed@bogus.test"));

    const QString path = Scratch(QStringLiteral("list.csv"));
    AnswerSave(path, 6);
    main_->acSave->trigger();

    QCOMPARE(ReadAll(path), kLayout6);
    QCOMPARE(dm_->ilExportDir.text(), scratch_.path() + QLatin1Char('/'));
    QVERIFY(!main_->UnsavedAddresses());
    QVERIFY(boxes_.empty());
    // Nothing is left to protect: closing asks nothing.
    QVERIFY(main_->close());
    QVERIFY(boxes_.empty());
  }

  void theAddressBookLayoutTakesTheRegionalListSeparator() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(TfrmMain::ListSeparator(), ';');
    Harvest();
    const QString path = Scratch(QStringLiteral("book.csv"));
    AnswerSave(path, 7);
    main_->acSave->trigger();
    QVERIFY(
        ReadAll(path).startsWith("\"E-mail Address\";\"Name\";\r\n\"Ann@example.test\";\"\"\r\n"));

    AnswerSave(path, 6);
    main_->acSave->trigger();
    QCOMPARE(ReadAll(path), kLayout6);
  }

  void aFailedWriteShowsItsErrorKeepsTheOldFileAndTheAddressesUnsaved_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full device, text")
        << QStringLiteral("<full>") << 6 << QStringLiteral("No space left on device");
    QTest::newRow("full device, dBASE")
        << QStringLiteral("<full>") << 4 << QStringLiteral("No space left on device");
    QTest::newRow("read-only folder, text")
        << QStringLiteral("<read-only>") << 3 << QStringLiteral("Permission denied");
    QTest::newRow("read-only folder, dBASE")
        << QStringLiteral("<read-only>") << 1 << QStringLiteral("Permission denied");
  }

  void aFailedWriteShowsItsErrorKeepsTheOldFileAndTheAddressesUnsaved() {
    QFETCH(QString, where);
    QFETCH(int, entry);
    QFETCH(QString, reason);
    Harvest();

    QString path;
    const QString folder = Scratch(QStringLiteral("locked"));
    struct Unlock {
      QString folder;
      ~Unlock() { ::chmod(QFile::encodeName(folder).constData(), 0755); }
    } unlock{folder};
    std::function<void()> dropRights;
    if (where == QStringLiteral("<full>")) {
      // The name the dialog returns has an extension, or the dialog would add one.
      path = Scratch(QStringLiteral("full.csv"));
      QFile::remove(path);
      QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
    } else {
      QVERIFY(QDir().mkpath(folder));
      path = folder + QStringLiteral("/list.dbf");
      QFile previous(path);
      QVERIFY(previous.open(QIODevice::WriteOnly));
      previous.write("previous");
      previous.close();
      ::chmod(QFile::encodeName(scratch_.path()).constData(), 0755);
      ::chmod(QFile::encodeName(folder).constData(), 0555);
      // Root ignores permission bits: the write runs under an unprivileged user id.
      if (::geteuid() == 0) dropRights = [] { QCOMPARE(::seteuid(65534), 0); };
    }
    AnswerSave(path, entry, nullptr, dropRights);
    main_->acSave->trigger();
    QCOMPARE(::geteuid(), ::getuid());

    QCOMPARE(boxes_.size(), std::size_t(1));
    QCOMPARE(boxes_[0].kind, StdDlgs::TDlgKind::Error);
    QVERIFY2(boxes_[0].text.contains(reason), qPrintable(boxes_[0].text));
    QVERIFY(main_->UnsavedAddresses());
    QVERIFY(main_->SaveFailed());
    // The folder chosen is remembered all the same.
    QCOMPARE(dm_->ilExportDir.text(), QFileInfo(path).absolutePath() + QLatin1Char('/'));
    QCOMPARE(QFileInfo(path).isSymLink(), where == QStringLiteral("<full>"));
    if (where == QStringLiteral("<read-only>")) {
      QCOMPARE(ReadAll(path), QByteArray("previous"));
      QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
               QStringList{QStringLiteral("list.dbf")});
    }

    // Closing asks again; Yes saves again, fails again, and the window stays with its list.
    boxes_.clear();
    QVERIFY(!main_->close());
    QCOMPARE(boxes_.size(), std::size_t(2));
    QCOMPARE(boxes_[0].text, QStringLiteral("Do you want to save these addresses?"));
    QCOMPARE(boxes_[1].kind, StdDlgs::TDlgKind::Error);
    QCOMPARE(main_->AddressCount(), 5);
    // No lets the user drop them knowingly.
    answer_ = QMessageBox::No;
    QVERIFY(main_->close());
  }

  void closingWithACancelledSaveDialogStillCloses() {
    Harvest();
    AnswerSave(QString(), 0);
    QVERIFY(main_->close());
    QCOMPARE(boxes_.size(), std::size_t(1));
  }

  // --- Delete Emails ----------------------------------------------------------------------

  void theDeleteDialogSitsInTheWindowsCornerWithItsHelp() {
    Harvest();
    struct Seen {
      QRect own;
      QString title, tab, group, help, cancel;
      int pages = 0, editWidth = 0, editMax = 0, editTop = 0, labelBottom = 0;
      QSize size, label;
      bool wraps = false, okDefault = false;
    } seen;
    TfrmDeleteEmails::SetResponder([&](TfrmDeleteEmails& d) {
      seen.own = d.frameGeometry();
      seen.title = d.windowTitle();
      seen.tab = d.PageControl1->tabText(0);
      seen.group = d.gbPattern->title();
      seen.help = d.lbPattern->text();
      seen.cancel = d.btCancel->text();
      seen.pages = d.PageControl1->count();
      seen.editWidth = d.Edit1->width();
      seen.editMax = d.Edit1->maxLength();
      seen.editTop = d.Edit1->y();
      seen.labelBottom = d.lbPattern->geometry().bottom();
      seen.size = d.size();
      seen.label = d.lbPattern->size();
      seen.wraps = d.lbPattern->wordWrap();
      seen.okDefault = d.btOK->isDefault();
      // Cancel closes it with the cancel result: nothing happens.
      d.btCancel->click();
      return d.result();
    });
    main_->miDeleteEmails->trigger();

    const QRect main = main_->frameGeometry();
    QCOMPARE(seen.own.x() + seen.own.width(), main.x() + main.width());
    QCOMPARE(seen.own.y() + seen.own.height(), main.y() + main.height());
    QCOMPARE(seen.title, QStringLiteral("Options"));
    QCOMPARE(seen.size, QSize(329, 326));
    QCOMPARE(seen.pages, 1);
    QCOMPARE(seen.tab, QStringLiteral("Delete Emails"));
    QCOMPARE(seen.group, QStringLiteral("&Pattern Selection"));
    // The help is 259 pixels wide and at least 109 high: as high as its text needs.
    QCOMPARE(seen.label.width(), 259);
    QVERIFY(seen.label.height() >= 109);
    QVERIFY(seen.editTop >= seen.labelBottom);
    QVERIFY(seen.wraps);
    QCOMPARE(seen.editWidth, 259);
    QCOMPARE(seen.editMax, std::numeric_limits<int>::max());
    QVERIFY(seen.okDefault);
    QCOMPARE(seen.cancel, QStringLiteral("Cancel"));
    const QStringList lines = seen.help.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QStringLiteral("Please, select the emails to be deleted."));
    QCOMPARE(lines[2], QString());
    // The example of line 5 names one domain twice.
    const QString domain = lines[4].section(QLatin1Char(' '), 0, 0).mid(2);
    QCOMPARE(lines[4], QStringLiteral("*@%1 will delete all emails ending with @%1").arg(domain));
    QCOMPARE(lines[6], QStringLiteral("*bogus* will delete all emails having the word bogus"));

    QVERIFY(boxes_.empty());
    QCOMPARE(main_->AddressCount(), 5);
  }

  void deletingByPatternReportsTheCountAndKeepsTheListsOrder() {
    Harvest();
    main_->dxGridColumnClick(1);
    main_->dxGridColumnClick(1);
    AnswerDelete(QStringLiteral(" \t*bogus*  "));
    main_->miDeleteEmails->trigger();

    QCOMPARE(boxes_.size(), std::size_t(1));
    QCOMPARE(boxes_[0].kind, StdDlgs::TDlgKind::Info);
    QCOMPARE(boxes_[0].text, QStringLiteral("Emails deleted: 2"));
    QCOMPARE(main_->RunState(), TRunState::rsDone);
    QCOMPARE(main_->AddressCount(), 3);
    QCOMPARE(main_->pnlAddresses->text(), QStringLiteral("Total: 3 Addresses"));
    QVERIFY(main_->UnsavedAddresses());
    // The grid was sorted by name, descending, and still is.
    QCOMPARE(GridEmails(),
             QStringList({"dora@example.test", "bob@example.test", "Ann@example.test"}));

    // Saved afterwards: the table's own e-mail order.
    const QString path = Scratch(QStringLiteral("left.txt"));
    AnswerSave(path, 2);
    main_->acSave->trigger();
    QCOMPARE(ReadAll(path),
             QByteArray("Ann@example.test\r\nbob@example.test\r\ndora@example.test\r\n"));
  }

  void patternsAtTheEdges_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("left");
    QTest::newRow("blank") << QStringLiteral(" \t ") << QStringLiteral("Emails deleted: 0") << 5;
    QTest::newRow("star alone") << QStringLiteral("*") << QStringLiteral("Emails deleted: 5") << 0;
    QTest::newRow("127 characters") << QString(126, QLatin1Char('*')) + QLatin1Char('t')
                                    << QStringLiteral("Emails deleted: 5") << 0;
    QTest::newRow("128 characters") << QString(128, QLatin1Char('x')) << QString() << 5;
    QTest::newRow("letter case ignored")
        << QStringLiteral("ANN@*") << QStringLiteral("Emails deleted: 1") << 4;
  }

  void patternsAtTheEdges() {
    QFETCH(QString, pattern);
    QFETCH(QString, box);
    QFETCH(int, left);
    Harvest();
    AnswerDelete(pattern);
    main_->miDeleteEmails->trigger();
    if (box.isEmpty()) {
      QVERIFY(boxes_.empty());
    } else {
      QCOMPARE(boxes_.size(), std::size_t(1));
      QCOMPARE(boxes_[0].text, box);
    }
    QCOMPARE(main_->RunState(), TRunState::rsDone);
    QCOMPARE(main_->AddressCount(), left);
    QCOMPARE(main_->Table()->RecordCount(), std::int64_t(left));
    QCOMPARE(main_->acSave->isEnabled(), left > 0);
  }

  void stopDuringTheDeletionKeepsTheRestAndTheNextStopAsksAgain() {
    Harvest();
    bool running = false;
    int pumps = 0;
    tessaly::InstallEventPump([&] {
      // Stop, pressed while the walk lets the window handle its events.
      if (pumps++ == 0) {
        running = main_->RunState() == TRunState::rsRunning && main_->acStop->isEnabled() &&
                  !main_->acSave->isEnabled() && !main_->miDeleteEmails->isEnabled();
        main_->acStop->trigger();
      }
    });
    AnswerDelete(QStringLiteral("*"));
    main_->miDeleteEmails->trigger();

    QVERIFY(running);
    QCOMPARE(boxes_.size(), std::size_t(2));
    QCOMPARE(boxes_[0].text, QStringLiteral("Do you really want to abort this process?"));
    QCOMPARE(boxes_[1].text, QStringLiteral("Emails deleted: 1"));
    QCOMPARE(main_->AddressCount(), 4);
    QCOMPARE(main_->RunState(), TRunState::rsDone);
    // The first record in id order went; the others stay, in e-mail order.
    QCOMPARE(GridEmails(), QStringList({"Ann@example.test", "bob@example.test", "carl@BOGUS.test",
                                        "dora@example.test"}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    boxes_.clear();
    main_->acStopExecute();
    QCOMPARE(boxes_.size(), std::size_t(1));
  }
};

int main(int argc, char** argv) {
  // A home of its own, so that no other test's data folder or settings are in the way.
  QTemporaryDir home;
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Norwend"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
  ListCommandsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "list_commands_test.moc"
