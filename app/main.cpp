// Start-up in a fixed order: the data module, the splash, the main window, the loop.
#include <QApplication>

#include "Glyphs.h"
#include "UMain.h"
#include "USplash.h"
#include "harvest/EventPump.h"
#include "settings/UDm.h"
#include "tessaly/Version.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(tessaly::version::kCompanyName));
  QCoreApplication::setApplicationName(QString::fromLatin1(tessaly::version::kProductName));
  QApplication::setWindowIcon(Glyphs::Application());

  auto data = std::make_unique<Tdm>();
  dm = data.get();
  dm->dmCreate(QCoreApplication::applicationFilePath());

  auto* splash = new TFrmSplash();
  splash->show();
  splash->repaint();
  QCoreApplication::processEvents();

  // Every walk lets the window system handle pending events through this one pump.
  tessaly::InstallEventPump([] { QCoreApplication::processEvents(); });

  QApplication::setApplicationName(dm->FileVersionInfo.ProductName);
  auto frmMain = std::make_unique<TfrmMain>(*dm);
  frmMain->SetSplash(splash);
  splash->close();
  delete splash;
  frmMain->SetSplash(nullptr);

  frmMain->show();
  const int rc = app.exec();
  tessaly::InstallEventPump({});
  frmMain.reset();
  dm = nullptr;
  data.reset();
  return rc;
}
