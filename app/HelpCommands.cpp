// The Help menu: contents, e-mail support, home page and the About box.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

#include "UAbout.h"
#include "UMain.h"
#include "USplash.h"
#include "settings/UDm.h"

QString TfrmMain::SupportAddress = QStringLiteral("mailto:support@norwend.example");

void TfrmMain::ConnectHelpCommands() {
  connect(dxBarButton4, &QAction::triggered, this, &TfrmMain::dxBarButton4Click);
  connect(dxBarButton5, &QAction::triggered, this, &TfrmMain::dxBarButton5Click);
  connect(dxBarButton6, &QAction::triggered, this, &TfrmMain::dxBarButton6Click);
  connect(dxBarButton1, &QAction::triggered, this, &TfrmMain::dxBarButton1Click);
}

QString TfrmMain::HelpFile() {
  // Beside the executable when run from the build, else in the installed share folder.
  const QString beside = Tdm::ProgramFolder() + QStringLiteral("tessaly.html");
  if (QFile::exists(beside)) return beside;
  const QString shared = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                QStringLiteral("tessaly/tessaly.html"));
  return shared.isEmpty() ? beside : shared;
}

void TfrmMain::dxBarButton4Click() { ShellOpen(QUrl::fromLocalFile(HelpFile()).toString()); }

void TfrmMain::dxBarButton5Click() { ShellOpen(SupportAddress); }

void TfrmMain::dxBarButton6Click() { ShellOpen(TFrmSplash::HomePage()); }

void TfrmMain::dxBarButton1Click() {
  TAboutBox box(dm_, this);
  // Its right and bottom edges on the main window's.
  box.move(x() + width() - box.width(), y() + height() - box.height());
  box.exec();
}
