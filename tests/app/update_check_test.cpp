// The start-up version check against a small HTTP server on 127.0.0.1.
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "UMain.h"
#include "app_test_support.h"
#include "settings/URobot.h"

namespace {

// Answers every request with one canned response and remembers the request line.
class TinyHttpServer : public QObject {
 public:
  QByteArray status = "200 OK";
  QByteArray body;
  QByteArray requestLine;

  TinyHttpServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* s = server_.nextPendingConnection();
      QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
        const QByteArray request = s->readAll();
        requestLine = request.left(request.indexOf("\r\n"));
        s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
      });
    });
  }
  QString Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

 private:
  QTcpServer server_;
};

}  // namespace

class VersionCheckTest : public QObject {
  Q_OBJECT

  // One start of the tool: a data module and a main window through its first activation.
  struct Start {
    std::unique_ptr<Tdm> data = apptest::NewDm();
    std::unique_ptr<TfrmMain> win = std::make_unique<TfrmMain>(*data);
  };

  // Waits for the robot's one request to come back.
  static bool ReplyArrives(TfrmMain& win) {
    bool done = false;
    auto previous = win.Robot()->OnDone;
    win.Robot()->OnDone = [&](const QString& reply) {
      previous(reply);
      done = true;
    };
    return QTest::qWaitFor([&] { return done; }, 5000);
  }

 private Q_SLOTS:
  void initTestCase() { apptest::UseScratchStore(); }
  void init() { apptest::UseScratchStore(); }

  void replies_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("stored");
    QTest::newRow("newer, closed by a bar") << QByteArray("200 OK") << QByteArray("ok|version=2.3|end") << "2.3";
    QTest::newRow("newer, to the end") << QByteArray("200 OK") << QByteArray("|version=2.3") << "2.3";
    QTest::newRow("marker in other case") << QByteArray("200 OK") << QByteArray("|Version=2.3") << "";
    QTest::newRow("the running version") << QByteArray("200 OK") << QByteArray("|version=2.2.0.5|") << "";
    QTest::newRow("older") << QByteArray("200 OK") << QByteArray("|version=2.1|") << "";
    QTest::newRow("not a number") << QByteArray("200 OK") << QByteArray("|version=abc|") << "";
    QTest::newRow("HTTP 401") << QByteArray("401 Unauthorized") << QByteArray("|version=2.3|") << "";
  }
  void replies() {
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, stored);
    TinyHttpServer server;
    server.status = status;
    server.body = body;
    TfrmMain::VersionServer = server.Url();
    apptest::ScriptedUser user;
    Start start;
    start.win->FormActivate();
    QVERIFY(ReplyArrives(*start.win));
    QVERIFY(server.requestLine.startsWith("GET /tessaly/scripts/id.php3?V=2.2.0.5&I="));
    QCOMPARE(start.data->iSiteLastFileVersion.text(), stored);
    QVERIFY(user.shown.isEmpty());
  }

  void noServerChangesNothingAndShowsNothing() {
    apptest::ScriptedUser user;
    Start start;
    start.data->iSiteLastFileVersion.setText(QStringLiteral("2.2.0.5"));
    start.win->FormActivate();
    QVERIFY(ReplyArrives(*start.win));
    QCOMPARE(start.data->iSiteLastFileVersion.text(), QStringLiteral("2.2.0.5"));
    QVERIFY(user.shown.isEmpty());
  }

  void oneRequestPerStart() {
    TinyHttpServer server;
    server.body = "|version=2.3|";
    TfrmMain::VersionServer = server.Url();
    Start start;
    start.win->FormActivate();
    QVERIFY(ReplyArrives(*start.win));
    server.requestLine.clear();
    start.win->SendVersionRequest();
    QTest::qWait(200);
    QVERIFY(server.requestLine.isEmpty());
  }

  void eachNewerVersionIsOfferedOnce() {
    const QString question = QStringLiteral("There's a newer version of Tessaly. Do you want to update it?");
    apptest::ScriptedUser user;
    {
      Start first;
      first.data->iSiteLastFileVersion.setText(QStringLiteral(" 2.3 "));
      user.answers = {QMessageBox::No};
      QVERIFY(!first.win->AskForUpdate());
      QCOMPARE(first.data->iSiteLastAskedFileVersion.text(), QStringLiteral("2.3"));
    }
    QCOMPARE(user.shown, QStringList{question});
    {
      Start second;
      QVERIFY(!second.win->AskForUpdate());
    }
    QCOMPARE(user.shown.size(), 1);
    {
      Start third;  // a later reply named 2.4
      third.data->iSiteLastFileVersion.setText(QStringLiteral("2.4"));
      user.answers = {QMessageBox::Cancel};
      QVERIFY(!third.win->AskForUpdate());
    }
    QCOMPARE(user.shown.size(), 2);
  }

  void yesOpensTheDownloadPageAndEndsTheTool() {
    QString opened;
    TfrmMain::ShellOpenHook = [&](const QString& target) {
      opened = target;
      return true;
    };
    apptest::ScriptedUser user;
    user.answers = {QMessageBox::Yes};
    Start start;
    start.data->iSiteLastFileVersion.setText(QStringLiteral("2.3"));
    start.win->FormActivate();
    TfrmMain::ShellOpenHook = nullptr;
    QCOMPARE(opened, TfrmMain::DownloadPage);
    // The rest of the start-up did not run: no table was made.
    QCOMPARE(start.win->Table(), nullptr);
  }

  void anUpdatedToolAsksNothing() {
    apptest::ScriptedUser user;
    Start start;
    start.data->iSiteLastFileVersion.setText(QStringLiteral("2.2.0.5"));
    QVERIFY(!start.win->AskForUpdate());
    QVERIFY(user.shown.isEmpty());
  }
};

QTEST_MAIN(VersionCheckTest)
#include "update_check_test.moc"
