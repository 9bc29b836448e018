// Takes pictures of the real windows in their states: each source, a run under way, a
// finished and a sorted list, and every dialog. Run it under a display server (xvfb-run);
// it writes PNG files into the folder it is given.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <random>

#include "Glyphs.h"
#include "SaveListDialog.h"
#include "StdDlgs.h"
#include "UAbout.h"
#include "UFrmDeleteEmails.h"
#include "UMain.h"
#include "USplash.h"
#include "harvest/EventPump.h"
#include "oe5/UFrmOptions.h"
#include "outlook/OutlookDialogs.h"
#include "settings/UDm.h"
#include "sources/FBrowse.h"
#include "tessaly/Version.h"

namespace {

QString g_out;

void Settle() {
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

void Shot(QWidget& w, const char* name) {
  Settle();
  w.grab().save(g_out + QLatin1Char('/') + QLatin1String(name));
  std::printf("%s\n", name);
}

// A folder of mail-like files with a few thousand correspondents in them.
QString MakeCorpus(const QString& folder) {
  QDir().mkpath(folder);
  const char* first[] = {"anna", "bruno", "carla", "dmitri", "elena", "farid", "greta", "hugo",
                         "ines", "jonas", "kira", "luis", "maya", "nils", "olga", "pedro"};
  const char* domains[] = {"mail.example", "post.example.org", "uni-sample.edu", "firm.test",
                           "coop.example.net", "studio.example"};
  std::mt19937 rng(7);
  for (int f = 0; f < 600; ++f) {
    std::ofstream out(QStringLiteral("%1/message-%2.eml").arg(folder).arg(f, 4, 10, QLatin1Char('0')).toStdString(),
                      std::ios::binary);
    for (int line = 0; line < 12; ++line) {
      const int who = static_cast<int>(rng() % 3000);
      out << "To: " << first[who % 16] << " <" << first[who % 16] << '.' << who << '@'
          << domains[who % 6] << ">\r\nSome text of the message, then a reply quoted.\r\n";
    }
  }
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT_FOLDER FIXTURES_FOLDER\n", argv[0]);
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  const QString fixtures = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(g_out);
  QCoreApplication::setOrganizationName(QString::fromLatin1(tessaly::version::kCompanyName));
  QCoreApplication::setApplicationName(QString::fromLatin1(tessaly::version::kProductName));
  QApplication::setWindowIcon(Glyphs::Application());
  TfrmMain::VersionServer = QStringLiteral("http://127.0.0.1:9");

  Tdm data;
  data.dmCreate(QCoreApplication::applicationFilePath());
  data.iUseIdent.WriteBool(false);
  data.ilStoreFolder.setText(fixtures + QStringLiteral("/dbx"));
  data.iShowMapiWarning.WriteBool(false);
  data.iOutlookDataFiles.setText(fixtures + QStringLiteral("/pst/multiple_to_cc.pst;") + fixtures +
                                 QStringLiteral("/pst/unicode_mixed_items.pst"));

  {
    TFrmSplash splash(0);
    splash.show();
    Shot(splash, "splash.png");
  }

  int pumpPasses = 0;
  TfrmMain* shown = nullptr;
  tessaly::InstallEventPump([&] {
    QCoreApplication::processEvents();
    if (shown && ++pumpPasses == 4) shown->grab().save(g_out + QStringLiteral("/run-in-progress.png"));
  });

  TfrmMain win(data);
  win.show();
  win.FormActivate();
  Shot(win, "source-file.png");

  const QString corpus = MakeCorpus(QDir::tempPath() + QStringLiteral("/tessaly-shots-corpus"));
  TFolderBrowse::SetResponder([&](const TFolderBrowse&) { return std::optional<QString>(corpus); });
  win.miFolderClick();
  Shot(win, "source-folder.png");
  shown = &win;
  win.acImportExecute();
  shown = nullptr;
  Shot(win, "run-finished.png");
  QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                               g_out + QStringLiteral("/screen-finished-run.png")});
  win.dxGridColumnClick(1);
  Shot(win, "sorted-by-name.png");

  TfrmDeleteEmails::SetResponder([](TfrmDeleteEmails& dlg) {
    dlg.show();
    Shot(dlg, "dialog-delete-emails.png");
    return int(QDialog::Rejected);
  });
  win.miDeleteEmailsClick();
  TSaveListDialog::SetResponder([](TSaveListDialog& dlg) {
    dlg.resize(640, 420);
    dlg.show();
    Shot(dlg, "dialog-save-as.png");
    return int(QDialog::Rejected);
  });
  win.SaveList();

  win.miOutlookExpressClick();
  win.acSelAllExecute();
  Shot(win, "source-outlook-express.png");
  TFrmOptions::SetModalRunner([](TFrmOptions& dlg) {
    dlg.show();
    Shot(dlg, "dialog-outlook-express-options.png");
    return int(QDialog::Rejected);
  });
  win.acOptionsClick();
  shown = &win;
  pumpPasses = 100;  // no picture of this run
  win.acImportExecute();
  shown = nullptr;
  Shot(win, "run-outlook-express.png");

  if (win.miOutlook->isEnabled()) {
    win.miOutlookClick();
    win.acSelAllExecute();
    Shot(win, "source-outlook.png");
    OutlookDialogs::SetModalRunner([](QDialog& dlg) {
      dlg.show();
      Shot(dlg, "dialog-outlook-options.png");
      return int(QDialog::Rejected);
    });
    win.miOutlookOptionsClick();
  }

  TAboutBox about(data, &win);
  about.show();
  Shot(about, "about.png");

  StdDlgs::SetResponder([](StdDlgs::TDlgKind, const QString&) { return QMessageBox::No; });
  tessaly::InstallEventPump({});
  QDir(corpus).removeRecursively();
  return 0;
}
