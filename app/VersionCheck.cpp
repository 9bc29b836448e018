// The start-up version check on the main window: the update prompt, the request and its
// reply.
#include <QDesktopServices>
#include <QUrl>

#include "StdDlgs.h"
#include "UMain.h"
#include "settings/UDm.h"
#include "settings/URobot.h"
#include "version/VersionCheck.h"

QString TfrmMain::VersionServer = QStringLiteral("http://www.norwend.example");
QString TfrmMain::DownloadPage = QStringLiteral("http://www.norwend.example/tessaly/download.html");
std::function<bool(const QString&)> TfrmMain::ShellOpenHook;

bool TfrmMain::AskForUpdate() {
  const std::string running = dm_.FileVersionInfo.FileVersion.toStdString();
  const std::string last{tessaly::TrimBlanks(dm_.iSiteLastFileVersion.text().toStdString())};
  const std::string asked{tessaly::TrimBlanks(dm_.iSiteLastAskedFileVersion.text().toStdString())};
  if (last.empty() || tessaly::CompareVersions(last, running) != 1) return false;
  if (!asked.empty() && tessaly::CompareVersions(last, asked) != 1) return false;
  // Stored before the question, so each newer version is offered once.
  dm_.iSiteLastAskedFileVersion.setText(QString::fromStdString(last));
  if (StdDlgs::ConfirmYesNoCancel(
          QStringLiteral("There's a newer version of Tessaly. Do you want to update it?")) !=
      QMessageBox::Yes)
    return false;
  ShellOpen(DownloadPage);
  return true;
}

void TfrmMain::VersionReply(const QString& reply) {
  std::string version;
  if (!tessaly::VersionFromReply(reply.toStdString(), version)) return;
  const std::string running = dm_.FileVersionInfo.FileVersion.toStdString();
  const QString found = QString::fromStdString(version);
  if (tessaly::CompareVersions(version, running) == 1 && found != dm_.iSiteLastFileVersion.text())
    dm_.iSiteLastFileVersion.setText(found);
}

void TfrmMain::SendVersionRequest() {
  try {
    robot_->OnDone = [this](const QString& reply) { VersionReply(reply); };
    const QString url = VersionServer + QStringLiteral("/tessaly/scripts/id.php3?") +
                        QString::fromStdString(tessaly::VersionQuery(
                            dm_.FileVersionInfo.FileVersion.toStdString(),
                            tessaly::LocalIPAddress()));
    robot_->Get(url);
  } catch (...) {
    // The start-up goes on as if no check had been made.
  }
}

bool TfrmMain::ShellOpen(const QString& target) {
  if (ShellOpenHook) return ShellOpenHook(target);
  return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}
