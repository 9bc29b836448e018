// The Help menu's small commands and the About box.
#include <QFile>
#include <QLabel>
#include <QtTest>

#include "UAbout.h"
#include "UMain.h"
#include "app_test_support.h"

class HelpAboutTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { apptest::UseScratchStore(); }

  void theAboutBoxShowsTheVersionRecordAndTheMachine() {
    auto data = apptest::NewDm();
    TAboutBox box(*data);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Tessaly"));
    QCOMPARE(box.lbTitle->text(), QStringLiteral("Tessaly"));
    QCOMPARE(box.lbVersion->text(), QStringLiteral("Version 2.2.0.5"));
    QVERIFY(!box.lbCopyright->text().isEmpty());
    QVERIFY(box.OS->text().contains(QRegularExpression(QStringLiteral("^\\S+ \\d+\\.\\d+$"))));
    QVERIFY(box.PhysMem->text().startsWith(QStringLiteral("Memory Available to Windows: ")));
  }

  void theMemoryLineCountsKilobytesWithThousandsSeparators() {
    QCOMPARE(TAboutBox::MemoryLine(16ull * 1024 * 1024 * 1024),
             QStringLiteral("Memory Available to Windows: 16,777,216 Kb"));
    QCOMPARE(TAboutBox::MemoryLine(1023), QStringLiteral("Memory Available to Windows: 0 Kb"));
    QCOMPARE(TAboutBox::MemoryLine(2047 * 1024), QStringLiteral("Memory Available to Windows: 2,047 Kb"));
  }

  void helpHomePageAndSupportGoToTheDesktopsOpen() {
    QStringList opened;
    TfrmMain::ShellOpenHook = [&](const QString& t) {
      opened << t;
      return false;  // the desktop could not open it: nothing is reported
    };
    auto data = apptest::NewDm();
    TfrmMain win(*data);
    win.dxBarButton4->trigger();
    win.dxBarButton5->trigger();
    win.dxBarButton6->trigger();
    TfrmMain::ShellOpenHook = nullptr;
    QCOMPARE(opened.size(), 3);
    QVERIFY(opened[0].startsWith(QStringLiteral("file://")) && opened[0].endsWith(QStringLiteral("tessaly.html")));
    QVERIFY(QFile::exists(TfrmMain::HelpFile()));
    QVERIFY(opened[1].startsWith(QStringLiteral("mailto:")));
    QVERIFY(opened[2].startsWith(QStringLiteral("http")));
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
