// The File and Folder sources through the real main window: the choosers, the panes, the
// ids and order of a run, Stop, and folders holding more than plain files.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>

#include "StdDlgs.h"
#include "UMain.h"
#include "harvest/EventPump.h"
#include "settings/UDm.h"

namespace {

void Write(const QString& path, const std::string& bytes) {
  std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << bytes;
}

// Records the two panes each time the importing pane is painted (it is repainted at once
// whenever the run changes its text).
class TPaneLog : public QObject {
 public:
  TPaneLog(QLabel* count, QLabel* importing) : count_(count), importing_(importing) {
    importing_->installEventFilter(this);
  }
  ~TPaneLog() override { importing_->removeEventFilter(this); }
  QStringList counts, texts;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      if (counts.isEmpty() || counts.constLast() != count_->text() ||
          texts.constLast() != importing_->text()) {
        counts << count_->text();
        texts << importing_->text();
      }
    }
    return false;
  }

 private:
  QLabel* count_;
  QLabel* importing_;
};

}  // namespace

class TestFileSources : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void init();
  void cleanupTestCase();

  void cancellingEitherChooserKeepsTheListAndTheWindow();
  void fileRunStoresTheAddressesAloneWithFileZeroOfOne();
  void fileThatCannotBeOpenedEndsTheRunWithNothing();
  void folderRunNumbersAcrossFilesInListingOrderAndRefusesRepeats();
  void folderRunWithDuplicatesAllowedKeepsEveryReport();
  void folderRunCountsSubfolderFifoUnreadableAndHiddenButOpensOnlyFiles();
  void folderWithASemicolonIsSearchedAsThatOneFolder();
  void confirmedStopEndsTheScanAfterTheCandidateInHand();
  void stopDuringTheListingEndsTheRunInTheFirstFile();
  void stopAnsweredNoLetsTheRunGoOn();

 private:
  // Each stored record as "id:Email", in id order.
  QStringList Records() const;
  void ChooseFile(const QString& path);
  void ChooseFolder(const QString& path);
  QString MakeFolder(const QString& name);

  std::unique_ptr<Tdm> dm_;
  std::unique_ptr<TfrmMain> frm_;
  QTemporaryDir scratch_;
  int answeredStops_ = 0;
};

void TestFileSources::initTestCase() {
  QVERIFY(scratch_.isValid());
  dm_ = std::make_unique<Tdm>();
  dm = dm_.get();
  dm->dmCreate(QCoreApplication::applicationFilePath());
  frm_ = std::make_unique<TfrmMain>(*dm_);
  frm_->show();
  QTRY_VERIFY(frm_->Table() != nullptr);
  QVERIFY(frm_->miFile->isChecked());
}

void TestFileSources::init() {
  dm->iDuplicates.WriteBool(false);
  tessaly::InstallEventPump({});
  StdDlgs::SetResponder({});
  TOpenDialog::SetResponder([](const TOpenDialog&) -> std::optional<QString> {
    qFatal("unexpected file dialog");
    return std::nullopt;
  });
  TFolderBrowse::SetResponder([](const TFolderBrowse&) -> std::optional<QString> {
    qFatal("unexpected folder picker");
    return std::nullopt;
  });
}

void TestFileSources::cleanupTestCase() {
  tessaly::InstallEventPump({});
  frm_.reset();
  dm = nullptr;
  dm_.reset();
}

QStringList TestFileSources::Records() const {
  QStringList out;
  tessaly::TAddressRecord r;
  std::vector<std::int32_t> ids = frm_->Table()->IdsInIndexOrder();
  std::sort(ids.begin(), ids.end());
  for (std::int32_t id : ids)
    if (frm_->Table()->ReadById(id, r)) {
      out << QStringLiteral("%1:%2").arg(id).arg(QString::fromStdString(r.Email));
      if (!r.Name.empty() || !r.Field.empty()) out << QStringLiteral("(name or field set)");
    }
  return out;
}

void TestFileSources::ChooseFile(const QString& path) {
  TOpenDialog::SetResponder([path](const TOpenDialog& d) -> std::optional<QString> {
    if (d.Title != QLatin1String("Extract emails from file") || !d.FileMustExist ||
        d.InitialDir != QDir::rootPath() || !d.FileName.isEmpty())
      qFatal("the file dialog is not set up as it should be");
    return path;
  });
}

void TestFileSources::ChooseFolder(const QString& path) {
  TFolderBrowse::SetResponder([path](const TFolderBrowse& f) -> std::optional<QString> {
    if (f.Directory != QDir::rootPath()) qFatal("the folder picker opens elsewhere");
    return path;
  });
}

QString TestFileSources::MakeFolder(const QString& name) {
  const QString path = scratch_.filePath(name);
  QDir().mkpath(path);
  return path;
}

void TestFileSources::cancellingEitherChooserKeepsTheListAndTheWindow() {
  const QString file = scratch_.filePath(QStringLiteral("one.txt"));
  Write(file, "ann@mail.test bob@web.test");
  ChooseFile(file);
  frm_->acImportExecute();
  QCOMPARE(Records().size(), 2);

  TOpenDialog::SetResponder([](const TOpenDialog&) { return std::optional<QString>(); });
  frm_->acImportExecute();
  QCOMPARE(frm_->RunState(), TRunState::rsDone);
  QCOMPARE(frm_->AddressCount(), 2);
  QCOMPARE(Records().size(), 2);

  // Choosing Folder empties the list; a cancelled picker then changes nothing more.
  frm_->miFolderClick();
  QCOMPARE(frm_->AddressCount(), 0);
  TFolderBrowse::SetResponder([](const TFolderBrowse&) { return std::optional<QString>(); });
  const TRunState before = frm_->RunState();
  frm_->acImportExecute();
  QCOMPARE(frm_->RunState(), before);
  QVERIFY(!frm_->rzFilesToGo->isVisible());
  frm_->miFileClick();
}

void TestFileSources::fileRunStoresTheAddressesAloneWithFileZeroOfOne() {
  frm_->miFileClick();
  const QString file = scratch_.filePath(QStringLiteral("mail.txt"));
  Write(file,
        "From: \"Ann\" <ann@mail.test>\r\nTo: bob@web.test, ANN@MAIL.TEST\r\n"
        "john-doe@mail.test a@bb.cc_dd@ee.test end ann@mail.test.");
  ChooseFile(file);
  TPaneLog log(frm_->rzFilesToGo, frm_->spImporting);
  frm_->acImportExecute();
  QCOMPARE(log.counts, QStringList{QStringLiteral("File: 0/1")});
  QCOMPARE(log.texts, QStringList{QStringLiteral("Importing      ")});
  // Duplicates refused by the e-mail index, whatever the letter case; the overlap case
  // gives two addresses; ids follow the order met.
  QCOMPARE(Records(),
           (QStringList{QStringLiteral("1:ann@mail.test"), QStringLiteral("2:bob@web.test"),
                        QStringLiteral("3:a@bb.cc"), QStringLiteral("4:bb.cc_dd@ee.test")}));
  QCOMPARE(frm_->RunState(), TRunState::rsDone);
  QCOMPARE(frm_->AddressCount(), 4);
  QCOMPARE(frm_->pnlAddresses->text(), QStringLiteral("Total: 4 Addresses"));
  QVERIFY(frm_->UnsavedAddresses());
}

void TestFileSources::fileThatCannotBeOpenedEndsTheRunWithNothing() {
  frm_->miFileClick();
  ChooseFile(scratch_.filePath(QStringLiteral("missing.txt")));
  frm_->acImportExecute();
  QCOMPARE(frm_->RunState(), TRunState::rsDone);
  QCOMPARE(frm_->AddressCount(), 0);
  QVERIFY(!frm_->RzPB->isVisible());
  QVERIFY(!frm_->UnsavedAddresses());
}

void TestFileSources::folderRunNumbersAcrossFilesInListingOrderAndRefusesRepeats() {
  const QString folder = MakeFolder(QStringLiteral("three"));
  Write(folder + QStringLiteral("/f1"), "x1@mail.test shared@mail.test");
  Write(folder + QStringLiteral("/f2"), "x2@mail.test SHARED@Mail.Test");
  Write(folder + QStringLiteral("/f3"), "x3@mail.test");
  frm_->miFolderClick();
  ChooseFolder(folder);
  TPaneLog log(frm_->rzFilesToGo, frm_->spImporting);
  frm_->acImportExecute();

  const std::vector<std::string> found = frm_->FoundFiles();
  QCOMPARE(found.size(), std::size_t{3});
  // Ids go up in the order the files were listed; the first "shared" wins.
  QStringList expectedTexts, expected;
  bool sharedSeen = false;
  for (const std::string& path : found) {
    expectedTexts << QStringLiteral("Importing: ") + QString::fromStdString(path);
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    expected << QStringLiteral("x%1@mail.test").arg(name.mid(1));
    if (name != QLatin1String("f3") && !sharedSeen) {
      expected << (name == QLatin1String("f1") ? QStringLiteral("shared@mail.test")
                                               : QStringLiteral("SHARED@Mail.Test"));
      sharedSeen = true;
    }
  }
  QCOMPARE(log.counts, (QStringList{QStringLiteral("File: 1/3"), QStringLiteral("File: 2/3"),
                                    QStringLiteral("File: 3/3")}));
  QCOMPARE(log.texts, expectedTexts);
  QStringList numbered;
  for (int i = 0; i < expected.size(); ++i)
    numbered << QStringLiteral("%1:%2").arg(i + 1).arg(expected[i]);
  QCOMPARE(Records(), numbered);

  // Start again: the ids begin at 1 again.
  frm_->acImportExecute();
  QCOMPARE(Records(), numbered);
}

void TestFileSources::folderRunWithDuplicatesAllowedKeepsEveryReport() {
  const QString folder = MakeFolder(QStringLiteral("dups"));
  Write(folder + QStringLiteral("/a"), "ann@mail.test Ann@Mail.test ann@mail.test");
  dm->iDuplicates.WriteBool(true);
  frm_->miFolderClick();
  ChooseFolder(folder);
  frm_->acImportExecute();
  QCOMPARE(Records(),
           (QStringList{QStringLiteral("1:ann@mail.test"), QStringLiteral("2:Ann@Mail.test"),
                        QStringLiteral("3:ann@mail.test")}));
}

void TestFileSources::folderRunCountsSubfolderFifoUnreadableAndHiddenButOpensOnlyFiles() {
  const QString folder = MakeFolder(QStringLiteral("mixed"));
  Write(folder + QStringLiteral("/plain.txt"), "plain@mail.test");
  Write(folder + QStringLiteral("/.hidden"), "hidden@mail.test");
  MakeFolder(QStringLiteral("mixed/sub"));
  Write(folder + QStringLiteral("/sub/inner.txt"), "inner@mail.test");
  const QString locked = folder + QStringLiteral("/locked.txt");
  Write(locked, "locked@mail.test");
  ::chmod(QFile::encodeName(locked).constData(), 0);
  // Run as root, the file stays readable; otherwise it is passed over.
  const bool lockedReadable = ::access(QFile::encodeName(locked).constData(), R_OK) == 0;
  QCOMPARE(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe")).constData(), 0600), 0);

  frm_->miFolderClick();
  ChooseFolder(folder);
  TPaneLog log(frm_->rzFilesToGo, frm_->spImporting);
  ::alarm(30);  // opening the FIFO for reading would hang the run
  frm_->acImportExecute();
  ::alarm(0);

  QCOMPARE(frm_->FoundFiles().size(), std::size_t{5});
  QCOMPARE(log.counts.size(), 5);
  QCOMPARE(log.counts.constLast(), QStringLiteral("File: 5/5"));
  QStringList emails;
  for (const QString& r : Records()) emails << r.section(QLatin1Char(':'), 1);
  emails.sort();
  QStringList expected{QStringLiteral("hidden@mail.test"), QStringLiteral("plain@mail.test")};
  if (lockedReadable) expected.insert(1, QStringLiteral("locked@mail.test"));
  QCOMPARE(emails, expected);
  QCOMPARE(frm_->RunState(), TRunState::rsDone);
}

void TestFileSources::folderWithASemicolonIsSearchedAsThatOneFolder() {
  const QString a = MakeFolder(QStringLiteral("a"));
  Write(a + QStringLiteral("/wrong"), "wrong@mail.test");
  const QString semi = MakeFolder(QStringLiteral("a;b"));
  Write(semi + QStringLiteral("/right"), "right@mail.test");
  frm_->miFolderClick();
  ChooseFolder(semi);
  frm_->acImportExecute();
  QCOMPARE(Records(), QStringList{QStringLiteral("1:right@mail.test")});
}

void TestFileSources::confirmedStopEndsTheScanAfterTheCandidateInHand() {
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "a" + std::to_string(i) + "@mail.test\n";
  const QString file = scratch_.filePath(QStringLiteral("many.txt"));
  Write(file, many);
  frm_->miFileClick();
  ChooseFile(file);
  answeredStops_ = 0;
  StdDlgs::SetResponder([this](StdDlgs::TDlgKind kind, const QString& text) {
    if (kind == StdDlgs::TDlgKind::ConfirmYesNo &&
        text == QLatin1String("Do you really want to abort this process?"))
      ++answeredStops_;
    return QMessageBox::Yes;
  });
  // The window system's first turn comes after the first candidate: Stop is clicked then.
  bool clicked = false;
  tessaly::InstallEventPump([&] {
    if (!clicked) {
      clicked = true;
      frm_->acStopExecute();
      frm_->acStopExecute();  // a second click while the busy cursor shows asks nothing
    }
  });
  frm_->acImportExecute();
  tessaly::InstallEventPump({});
  QCOMPARE(answeredStops_, 1);
  QCOMPARE(Records(),
           (QStringList{QStringLiteral("1:a0@mail.test"), QStringLiteral("2:a1@mail.test")}));
  QCOMPARE(frm_->RunState(), TRunState::rsDone);
  QCOMPARE(frm_->AddressCount(), 2);
  QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestFileSources::stopDuringTheListingEndsTheRunInTheFirstFile() {
  const QString folder = MakeFolder(QStringLiteral("stop"));
  for (int f = 0; f < 4; ++f)
    Write(folder + QStringLiteral("/m%1").arg(f),
          "p" + std::to_string(f) + "@mail.test q" + std::to_string(f) + "@mail.test");
  frm_->miFolderClick();
  ChooseFolder(folder);
  StdDlgs::SetResponder([](StdDlgs::TDlgKind, const QString&) { return QMessageBox::Yes; });
  bool clicked = false;
  tessaly::InstallEventPump([&] {
    if (!clicked) {
      clicked = true;
      frm_->acStopExecute();
    }
  });
  frm_->acImportExecute();
  tessaly::InstallEventPump({});
  // The listing went on to the end; the first file's scan ended at its first report.
  QCOMPARE(frm_->FoundFiles().size(), std::size_t{4});
  const QString first = QFileInfo(QString::fromStdString(frm_->FoundFiles().front())).fileName();
  QCOMPARE(Records(), QStringList{QStringLiteral("1:p%1@mail.test").arg(first.mid(1))});
  QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestFileSources::stopAnsweredNoLetsTheRunGoOn() {
  const QString folder = MakeFolder(QStringLiteral("nostop"));
  for (int f = 0; f < 3; ++f)
    Write(folder + QStringLiteral("/n%1").arg(f), "r" + std::to_string(f) + "@mail.test");
  frm_->miFolderClick();
  ChooseFolder(folder);
  StdDlgs::SetResponder([](StdDlgs::TDlgKind, const QString&) { return QMessageBox::No; });
  int asked = 0;
  tessaly::InstallEventPump([&] {
    if (asked++ == 0) frm_->acStopExecute();
  });
  frm_->acImportExecute();
  tessaly::InstallEventPump({});
  QVERIFY(asked >= 1);
  QCOMPARE(Records().size(), 3);
  QVERIFY(!frm_->AbortFlag());
}

int main(int argc, char* argv[]) {
  // A home of its own, so that no other test's table or settings are in the way.
  QTemporaryDir home;
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Norwend"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
  TestFileSources test;
  return QTest::qExec(&test, argc, argv);
}

#include "file_sources_test.moc"
