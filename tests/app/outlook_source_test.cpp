// The Outlook source on the main window: the reader's set-up at the first activation with
// the MAPI notice, the folder list, the harvest run with its error notice and Stop, the
// Outlook options, the choice of data files, and the notices printed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "UMain.h"
#include "app_test_support.h"
#include "outlook/MemoryMailbox.h"
#include "outlook/OutlookDialogs.h"
#include "outlook/OutlookState.h"
#include "outlook/PstMailbox.h"
#include "outlook/UFrmOutlookDataFiles.h"
#include "outlook/UFrmOutlookOptions.h"
#include "outlook/UMapiWarning.h"
#include "outlook/UOutlookErrorWarning.h"

using tessaly::TRunState;
using tessaly::mailbox::TMemoryFolder;
using tessaly::mailbox::TMemoryMailSystem;
using tessaly::mailbox::TMemoryMessage;

namespace {

TMemoryMessage Mail(const std::string& from, std::vector<std::string> to = {}) {
  TMemoryMessage m;
  m.sender = {from, ""};
  for (const auto& address : to) m.recipients.push_back({address, ""});
  return m;
}

QString Fixture(const char* name) {
  const QString path = qEnvironmentVariable("TESSALY_FIXTURES") + QStringLiteral("/pst/") +
                       QString::fromLatin1(name);
  return QFile::exists(path) ? path : QString();
}

// Every address of the table, in the table's (e-mail) order, as "address FIELD".
QStringList Records(TfrmMain& win) {
  QStringList rows;
  auto* table = win.Table();
  if (!table || !table->Active()) return rows;
  for (table->First(); !table->Eof(); table->Next())
    rows << QString::fromStdString(table->Current().Email + " " + table->Current().Field);
  return rows;
}

}  // namespace

class OutlookSourceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Tdm> data_;
  std::unique_ptr<TfrmMain> win_;
  // The mailbox the reader is built over; none means the data-file mailbox.
  std::shared_ptr<TMemoryMailSystem> system_;
  std::vector<std::vector<std::string>> builds_;
  int usualSearches_ = 0;
  std::vector<std::string> usualFiles_;
  // The dialogs shown, by class, and what the person does with each.
  QStringList shown_;
  std::function<int(QDialog&)> work_;
  QTemporaryDir scratch_;

  TfrmMain& Win() { return *win_; }

  // A start of the tool, with these settings already stored.
  void Start(const std::map<QString, QString>& settings = {}) {
    win_.reset();
    data_ = apptest::NewDm();
    for (const auto& [key, value] : settings)
      data_->iaKey.WriteString(QStringLiteral("Settings"), key, value);
    data_ = apptest::NewDm();
    win_ = std::make_unique<TfrmMain>(*data_);
    win_->FormActivate();
  }

  // A mailbox with the store "Mail" (Inbox with Work, Sent Items) and the store "Archive".
  TMemoryFolder* inbox_ = nullptr;
  TMemoryFolder* sent_ = nullptr;
  void UseMemoryMailbox(int inboxMessages = 2) {
    system_ = std::make_shared<TMemoryMailSystem>();
    auto& mail = system_->AddStore("Mail");
    inbox_ = &mail.AddFolder("Inbox");
    for (int i = 1; i <= inboxMessages; ++i)
      inbox_->AddMessage(Mail("in" + std::to_string(i) + "@x.test", {"me@x.test"}));
    inbox_->AddFolder("Work").AddMessage(Mail("work@x.test"));
    sent_ = &mail.AddFolder("Sent Items");
    sent_->AddMessage(Mail("me@x.test", {"friend@x.test"}));
    system_->AddStore("Archive").AddFolder("2019");
  }

  QStringList FolderList() {
    QStringList items;
    for (int i = 0; i < Win().clb->count(); ++i) items << Win().clb->item(i)->text();
    return items;
  }

  void Tick(const QStringList& names) {
    const QSignalBlocker quiet(Win().clb);
    for (int i = 0; i < Win().clb->count(); ++i)
      if (names.contains(Win().clb->item(i)->text()))
        Win().clb->item(i)->setCheckState(Qt::Checked);
    Win().UpdateControls();
  }

 private Q_SLOTS:
  void initTestCase() {
    apptest::UseScratchStore();
    OutlookSetup::SetMailSystemFactory([this](const std::vector<std::string>& files)
                                           -> std::shared_ptr<tessaly::mailbox::TMailSystem> {
      builds_.push_back(files);
      if (system_) return system_;
      return std::make_shared<tessaly::mailbox::TPstMailSystem>(files);
    });
    OutlookSetup::SetUsualPlacesSearch([this] {
      ++usualSearches_;
      return usualFiles_;
    });
    OutlookDialogs::SetModalRunner([this](QDialog& dialog) {
      shown_ << QString::fromLatin1(dialog.metaObject()->className());
      if (work_) return work_(dialog);
      return int(QDialog::Rejected);
    });
  }
  void cleanupTestCase() {
    OutlookSetup::SetMailSystemFactory({});
    OutlookSetup::SetUsualPlacesSearch({});
    OutlookDialogs::SetModalRunner({});
    OutlookDialogs::SetPrinterSource({});
  }
  void init() {
    system_.reset();
    builds_.clear();
    usualSearches_ = 0;
    usualFiles_.clear();
    shown_.clear();
    work_ = nullptr;
  }
  void cleanup() {
    win_.reset();
    data_.reset();
    apptest::ClearStore();
  }

  // --- Set-up at the first activation ------------------------------------------------

  void aWorkingSessionNeedsNoRepairAndNoNotice() {
    UseMemoryMailbox();
    Start();
    QCOMPARE(int(builds_.size()), 1);
    QVERIFY(shown_.isEmpty());
    QVERIFY(Win().OutlookReady());
    QVERIFY(Win().miOutlook->isEnabled());
    QCOMPARE(Win().Outlook()->reader->TopFolderNames(),
             (std::vector<std::string>{"Mail", "Archive"}));
  }

  void withoutAnyDataFileThereIsNoRepairAndNoNotice() {
    Start();
    QCOMPARE(int(builds_.size()), 1);
    QCOMPARE(usualSearches_, 1);
    QVERIFY(shown_.isEmpty());
    QVERIFY(!Win().OutlookReady());
    QVERIFY(!Win().miOutlook->isEnabled());
  }

  void aSessionThatFailsIsBuiltOnceMoreThenTheNoticeIsShownUntilTicked() {
    const QString garbage = scratch_.filePath(QStringLiteral("broken.pst"));
    {
      QFile f(garbage);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(4096, 'G'));
    }
    const std::map<QString, QString> settings{{QStringLiteral("OutlookDataFiles"), garbage}};
    // Closing the notice without the tick keeps it for the next start.
    work_ = [](QDialog& d) { return int(QDialog::Accepted); };
    Start(settings);
    QCOMPARE(int(builds_.size()), 2);
    QCOMPARE(builds_[1], (std::vector<std::string>{garbage.toStdString()}));
    QCOMPARE(usualSearches_, 1);  // the setting names a file: only the repair looks around
    QCOMPARE(shown_, QStringList{QStringLiteral("TfrmMapiWarning")});
    QVERIFY(!Win().OutlookReady());
    QCOMPARE(data_->iShowMapiWarning.text(), QStringLiteral("true"));

    init();
    work_ = [](QDialog& d) {
      auto& notice = dynamic_cast<TfrmMapiWarning&>(d);
      if (notice.cbShowOnStartup->isChecked()) return int(QDialog::Rejected);  // starts clear
      notice.cbShowOnStartup->setChecked(true);
      return int(QDialog::Accepted);
    };
    Start(settings);
    QCOMPARE(shown_.size(), 1);
    QCOMPARE(data_->iShowMapiWarning.text(), QStringLiteral("false"));

    init();
    Start();  // the stored settings stay: the file still fails, the notice is off
    QCOMPARE(int(builds_.size()), 2);
    QVERIFY(shown_.isEmpty());
  }

  void theRepairFindsAWorkingFileInTheUsualPlaces() {
    const QString pst = Fixture("multiple_to_cc.pst");
    if (pst.isEmpty()) QSKIP("fixture pst/multiple_to_cc.pst not found");
    const std::string missing = scratch_.filePath(QStringLiteral("gone.pst")).toStdString();
    usualFiles_ = {pst.toStdString()};
    Start({{QStringLiteral("OutlookDataFiles"), QString::fromStdString(missing)}});
    QCOMPARE(int(builds_.size()), 2);
    QCOMPARE(builds_[1], (std::vector<std::string>{missing, pst.toStdString()}));
    QVERIFY(shown_.isEmpty());
    QVERIFY(Win().OutlookReady());
    QCOMPARE(data_->iOutlookDataFiles.text(), QString::fromStdString(missing));  // untouched
  }

  void theMapiNoticeHasItsTextsAndLayout() {
    TfrmMapiWarning notice;
    QCOMPARE(notice.windowTitle(), QStringLiteral("Configuration"));
    QCOMPARE(notice.size(), QSize(398, 310));
    QCOMPARE(notice.pos(), QPoint(280, 123));
    QCOMPARE(notice.Button1->text(), QStringLiteral("&Ok"));
    QCOMPARE(notice.Button2->text(), QStringLiteral("&Print"));
    QCOMPARE(notice.cbShowOnStartup->text(), QStringLiteral("Do not show this message on startup"));
    QVERIFY(!notice.cbShowOnStartup->isChecked());
    QVERIFY(notice.rtf->isReadOnly());
    const QStringList lines = notice.rtf->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 20);
    QCOMPARE(lines[0], QStringLiteral("If you want to collect emails from outlook, you need to "
                                      "Install MAPI and set it as "));
    QCOMPARE(lines[1], QStringLiteral("your  default client."));
    QCOMPARE(lines[5], QStringLiteral("1 - Click the Windows \"Start\" Button"));
    QCOMPARE(lines[17], QStringLiteral("4 - Choose \"Collaboration Data Objects\". Select \"Run "
                                       "From My Computer\", "));
    QCOMPARE(lines[19], QStringLiteral("5 - Click the \"Update Now\" Button.);"));

    TfrmOutlookErrorWarning error;
    QCOMPARE(error.windowTitle(), QStringLiteral("Configuration Error"));
    QCOMPARE(error.size(), QSize(301, 193));
    const QStringList errorLines = error.rtf->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(errorLines.size(), 11);
    QCOMPARE(errorLines[0],
             QStringLiteral("If you want to collect emails from outlook, you need to set it as "));
    QCOMPARE(errorLines.mid(1), lines.mid(1, 10));
    QCOMPARE(errorLines[10], QStringLiteral("6 - Click OK."));
  }

  // --- Printing ------------------------------------------------------------------------

  void theNoticesPrintAsOneJobNamedConfiguration_data() {
    QTest::addColumn<bool>("mapi");
    QTest::newRow("MAPI notice") << true;
    QTest::newRow("error notice") << false;
  }
  void theNoticesPrintAsOneJobNamedConfiguration() {
    QFETCH(bool, mapi);
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdftotext.isEmpty() || pdfinfo.isEmpty()) QSKIP("poppler-utils is not installed");
    const QString pdf =
        scratch_.filePath(mapi ? QStringLiteral("mapi.pdf") : QStringLiteral("error.pdf"));
    int printers = 0;
    OutlookDialogs::SetPrinterSource([&] {
      ++printers;
      auto printer = std::make_unique<QPrinter>();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
      return printer;
    });
    apptest::ScriptedUser user;
    std::unique_ptr<TNoticeDialog> notice;
    if (mapi)
      notice = std::make_unique<TfrmMapiWarning>();
    else
      notice = std::make_unique<TfrmOutlookErrorWarning>();
    notice->Button2->click();
    OutlookDialogs::SetPrinterSource({});
    QCOMPARE(printers, 1);
    QVERIFY(user.shown.isEmpty());

    QProcess text;
    text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    // Text extraction keeps neither runs of blanks nor plain letters where the font drew a
    // ligature: compare with blanks collapsed and ligatures taken apart.
    const QString printed = QString::fromUtf8(text.readAllStandardOutput())
                                .normalized(QString::NormalizationForm_KC)
                                .simplified();
    const QStringList lines = mapi ? TfrmMapiWarning::Lines() : TfrmOutlookErrorWarning::Lines();
    for (const QString& line : lines)
      QVERIFY2(printed.contains(line.simplified()), qPrintable(line));

    QProcess info;
    info.start(pdfinfo, {pdf});
    QVERIFY(info.waitForFinished());
    const QString about = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(about.contains(QRegularExpression(QStringLiteral("Title:\\s+Configuration\\n"))),
             qPrintable(about));
    QVERIFY2(about.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
             qPrintable(about));
  }

  void aPrinterThatFailsShowsTheErrorAndTheNoticeStays() {
    OutlookDialogs::SetPrinterSource([&] {
      auto printer = std::make_unique<QPrinter>();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(QStringLiteral("/no/such/folder/notice.pdf"));
      return printer;
    });
    apptest::ScriptedUser user;
    TfrmOutlookErrorWarning notice;
    notice.show();
    notice.Button2->click();
    OutlookDialogs::SetPrinterSource({});
    QCOMPARE(user.shown, QStringList{QStringLiteral("Printing failed.")});
    QVERIFY(notice.isVisible());
  }

  // --- The folder list and the run ----------------------------------------------------

  void choosingOutlookListsTheFoldersWithTheirPaths() {
    UseMemoryMailbox();
    Start();
    Win().miOutlook->trigger();
    QCOMPARE(FolderList(), (QStringList{QStringLiteral("Inbox"), QStringLiteral("Inbox | Work"),
                                        QStringLiteral("Sent Items")}));
    QCOMPARE(Win().clb->item(1)->data(Qt::UserRole).toByteArray(), QByteArray("\tInbox\tWork"));
    QCOMPARE(Win().Panel4->text(), QStringLiteral("Outlook Folders"));
    QVERIFY(Win().miOutlookOptions->isEnabled());
    QVERIFY(!Win().acImport->isEnabled());  // nothing ticked yet
  }

  void aRunReadsTheTickedFoldersWithTheOptionsOfTheSettings() {
    UseMemoryMailbox();
    Start({{QStringLiteral("CollectFromField"), QStringLiteral("false")}});
    Win().miOutlookClick();
    Tick({QStringLiteral("Inbox"), QStringLiteral("Sent Items")});
    QString paneDuringSent;
    system_->onFetch = [&](const std::string& id) {
      if (id == sent_->items[0]) paneDuringSent = Win().rzFilesToGo->text();
    };
    QVERIFY(Win().acImport->isEnabled());
    Win().acImport->trigger();
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(paneDuringSent, QStringLiteral("File: 2/2"));
    QCOMPARE(Records(Win()),
             (QStringList{QStringLiteral("friend@x.test TO"), QStringLiteral("me@x.test TO")}));
    QCOMPARE(Win().clb->currentItem()->text(), QStringLiteral("Sent Items"));
    QVERIFY(!Win().Outlook()->reader->FromOption);
  }

  void aFolderThatCannotBeReadShowsTheErrorNoticeAndEndsTheRun_data() {
    QTest::addColumn<bool>("renamed");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("second ticked folder renamed after the list was made")
        << true << QStringList{QStringLiteral("work@x.test FROM")};
    QTest::newRow("a message of the first ticked folder cannot be fetched")
        << false << QStringList{QStringLiteral("in1@x.test FROM"), QStringLiteral("me@x.test TO")};
  }
  void aFolderThatCannotBeReadShowsTheErrorNoticeAndEndsTheRun() {
    QFETCH(bool, renamed);
    QFETCH(QStringList, records);
    UseMemoryMailbox();
    Start();
    Win().miOutlookClick();
    if (renamed) {
      Tick({QStringLiteral("Inbox | Work"), QStringLiteral("Sent Items")});
      sent_->name = "Gesendet";
    } else {
      Tick({QStringLiteral("Inbox"), QStringLiteral("Sent Items")});
      inbox_->Message(2).fetchFails = true;
    }
    work_ = [](QDialog&) { return int(QDialog::Accepted); };
    Win().acImportExecute();
    QCOMPARE(shown_, QStringList{QStringLiteral("TfrmOutlookErrorWarning")});
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(Records(Win()), records);  // what was found before stays; nothing after
  }

  void stopAfterTheThirdItemEndsTheRunAfterTheFourth() {
    UseMemoryMailbox(10);
    Start();
    Win().miOutlookClick();
    Tick({QStringLiteral("Inbox"), QStringLiteral("Sent Items")});
    apptest::ScriptedUser user;
    user.answers = {QMessageBox::Yes};
    system_->onFetch = [&](const std::string& id) {
      if (id == inbox_->items[3]) Win().acStopExecute();  // during the pause after item 3
    };
    Win().acImportExecute();
    QCOMPARE(user.shown, QStringList{QStringLiteral("Do you really want to abort this process?")});
    QCOMPARE(int(system_->fetched.size()), 4);
    QCOMPARE(Win().AddressCount(), 5);  // four senders and their one recipient
    QCOMPARE(Win().RunState(), TRunState::rsDone);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  void aRunOverARealDataFile() {
    const QString pst = Fixture("multiple_to_cc.pst");
    if (pst.isEmpty()) QSKIP("fixture pst/multiple_to_cc.pst not found");
    Start({{QStringLiteral("OutlookDataFiles"), pst}});
    QVERIFY(Win().OutlookReady());
    Win().miOutlookClick();
    QCOMPARE(FolderList(),
             (QStringList{QStringLiteral("Inbox"), QStringLiteral("Junk E-mail"),
                          QStringLiteral("Deleted Items"), QStringLiteral("Sent Items")}));
    Tick({QStringLiteral("Inbox")});
    Win().acImportExecute();
    QCOMPARE(Records(Win()), (QStringList{QStringLiteral("pst-test-1@aranetic.com FROM"),
                                          QStringLiteral("pst-test-2@aranetic.com TO"),
                                          QStringLiteral("pst-test-3@aranetic.com TO"),
                                          QStringLiteral("pst-test-4@aranetic.com TO")}));
  }

  // --- Outlook options -----------------------------------------------------------------

  void theOptionsOpenOnTheSettingsAndRefuseNoField() {
    UseMemoryMailbox();
    Start();
    Win().miOutlookClick();
    apptest::ScriptedUser user;
    bool checked = false;
    work_ = [&](QDialog& d) {
      auto& o = dynamic_cast<TfrmOutlookOptions&>(d);
      checked = true;
      [&] {
        QCOMPARE(o.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(o.size(), QSize(329, 326));
        const QRect main = Win().frameGeometry();
        QCOMPARE(o.pos(), QPoint(main.left() + main.width() / 2 - 329 / 2,
                                 main.top() + main.height() / 2 - 326 / 2));
        QCOMPARE(o.cbId->count(), 2);
        QCOMPARE(o.cbId->itemText(1), QStringLiteral("Archive"));
        QCOMPARE(o.cbId->currentIndex(), 0);
        QVERIFY(!o.cbCollectFromBody->isChecked());
        QVERIFY(o.cbCollectToFields->isChecked());
        QVERIFY(o.cbCollectFromFields->isChecked());
        QCOMPARE(o.cbCollectFromBody->nextInFocusChain(), o.cbCollectFromFields);
        QCOMPARE(o.cbCollectFromFields->nextInFocusChain(), o.cbCollectToFields);
      }();
      o.cbCollectToFields->setChecked(false);
      o.cbCollectFromFields->setChecked(false);
      o.cbId->setCurrentIndex(1);
      o.btOKClick();
      return o.result();  // still open: the person gives up with Cancel
    };
    Win().miOutlookOptions->trigger();
    QVERIFY(checked);
    QCOMPARE(user.shown, QStringList{QStringLiteral("Please, select one or more Message Fields")});
    QCOMPARE(data_->iCollectToField.text(), QStringLiteral("true"));
    QCOMPARE(Win().Outlook()->reader->SelectedIndex(), 0);
    QCOMPARE(FolderList().size(), 3);
  }

  void confirmedOptionsSelectTheStoreRefillTheListAndKeepTheAddresses() {
    UseMemoryMailbox();
    Start();
    Win().miOutlookClick();
    Tick({QStringLiteral("Inbox")});
    Win().acImportExecute();
    QCOMPARE(Win().AddressCount(), 3);
    work_ = [](QDialog& d) {
      auto& o = dynamic_cast<TfrmOutlookOptions&>(d);
      o.cbId->setCurrentIndex(1);
      o.cbCollectFromBody->setChecked(true);
      o.cbCollectToFields->setChecked(false);
      o.btOKClick();
      return o.result();
    };
    Win().miOutlookOptionsClick();
    QCOMPARE(Win().Outlook()->reader->SelectedIndex(), 1);
    QCOMPARE(FolderList(), QStringList{QStringLiteral("2019")});
    QCOMPARE(data_->iCollectFromBody.text(), QStringLiteral("true"));
    QCOMPARE(data_->iCollectToField.text(), QStringLiteral("false"));
    QCOMPARE(data_->iCollectFromField.text(), QStringLiteral("true"));
    QCOMPARE(Win().AddressCount(), 3);
    QCOMPARE(Win().RunState(), TRunState::rsDone);
  }

  void withNoStoreToChooseTheOptionsChangeNothing() {
    system_ = std::make_shared<TMemoryMailSystem>();  // a session, but no store in it
    Start();
    Win().miOutlookClick();
    work_ = [](QDialog& d) {
      auto& o = dynamic_cast<TfrmOutlookOptions&>(d);
      o.cbCollectFromBody->setChecked(true);
      o.btOKClick();
      return o.result();
    };
    Win().miOutlookOptionsClick();
    QCOMPARE(Win().Outlook()->reader->SelectedIndex(), -1);
    QCOMPARE(data_->iCollectFromBody.text(), QStringLiteral("false"));
  }

  // --- Data files ------------------------------------------------------------------------

  void theDataFilesCommandStoresTheSettingAndRebuildsTheReader() {
    const QString pst = Fixture("multiple_to_cc.pst");
    if (pst.isEmpty()) QSKIP("fixture pst/multiple_to_cc.pst not found");
    Start();
    QVERIFY(!Win().miOutlook->isEnabled());
    // The command sits in the Tools menu, after the Outlook options.
    QMenu* tools = nullptr;
    for (QAction* a : Win().menuBar()->actions())
      if (a->text() == QStringLiteral("&Tools")) tools = a->menu();
    QVERIFY(tools);
    const QList<QAction*> items = tools->actions();
    const auto at = items.indexOf(Win().miOutlookOptions);
    QVERIFY(at >= 0 && at + 1 < items.size());
    QCOMPARE(items[at + 1], Win().miOutlookDataFiles);
    QCOMPARE(Win().miOutlookDataFiles->text(), QStringLiteral("Outlook Data &Files..."));

    work_ = [&](QDialog& d) {
      auto& files = dynamic_cast<TfrmOutlookDataFiles&>(d);
      if (!files.Files().isEmpty()) return int(QDialog::Rejected);
      files.AddFiles({pst, pst});
      return int(QDialog::Accepted);
    };
    Win().miOutlookDataFiles->trigger();
    QCOMPARE(data_->iOutlookDataFiles.text(), pst);
    QCOMPARE(int(builds_.size()), 2);
    QVERIFY(Win().miOutlook->isEnabled());
    Win().miOutlookClick();
    QCOMPARE(FolderList().first(), QStringLiteral("Inbox"));

    // A file that does not open is named; the others still serve.
    const QString missing = scratch_.filePath(QStringLiteral("nothere.pst"));
    apptest::ScriptedUser user;
    work_ = [&](QDialog& d) {
      dynamic_cast<TfrmOutlookDataFiles&>(d).AddFiles({missing});
      return int(QDialog::Accepted);
    };
    Win().miOutlookDataFilesClick();
    QCOMPARE(data_->iOutlookDataFiles.text(), pst + QStringLiteral(";") + missing);
    QCOMPARE(user.shown.size(), 1);
    QVERIFY(user.shown[0].startsWith(QStringLiteral("Unable to open these Outlook data files:\n") +
                                     missing + QStringLiteral(": ")));
    QVERIFY(Win().miOutlook->isEnabled());
    QCOMPARE(FolderList().first(), QStringLiteral("Inbox"));  // refilled from the new reader

    // Cancel changes nothing; during a run the command is closed.
    work_ = [](QDialog& d) {
      dynamic_cast<TfrmOutlookDataFiles&>(d).SetFiles({});
      return int(QDialog::Rejected);
    };
    Win().miOutlookDataFilesClick();
    QCOMPARE(int(builds_.size()), 3);
    QVERIFY(Win().BeginHarvestRun());
    shown_.clear();
    Win().miOutlookDataFilesClick();
    QVERIFY(shown_.isEmpty());
    Q_EMIT tools->aboutToShow();
    QVERIFY(!Win().miOutlookDataFiles->isEnabled());
    Win().EndHarvestRun();
    Q_EMIT tools->aboutToShow();
    QVERIFY(Win().miOutlookDataFiles->isEnabled());
  }
};

QTEST_MAIN(OutlookSourceTest)
#include "outlook_source_test.moc"
