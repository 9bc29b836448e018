// The Outlook Express source: the store folder and its folder list, the options dialog and
// the Start path.
#include "scan/Scanner.h"
#include "sources/OeSource.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "StdDlgs.h"
#include "harvest/Paths.h"
#include "oe5/OeHarvest.h"
#include "oe5/UFrmOptions.h"
#include "registry/RegFile.h"
#include "settings/UDm.h"

namespace {

bool BlankText(const QString& s) {
  for (const QChar c : s)
    if (c.unicode() > 32) return false;
  return true;
}

// Each folder-list item keeps the file it stands for: the extension's letter case may
// differ from ".dbx" on this file system.
constexpr int kFileNameRole = Qt::UserRole + 1;

}  // namespace

TfrmMain::TOeSource& TfrmMain::OeSource() {
  return *oeSource_;
}

void TfrmMain::ConnectOeSource() {
  oeSource_ = std::make_shared<TOeSource>();
  oeSource_->SetRegistry(tessaly::MakeDefaultRegistry());
  oeSource_->oe.SetEvents(HarvestEvents());
  // The folder file once more as raw bytes, for the addresses in the message bodies.
  oeSource_->RawScan = [this](const std::string& path) { tessaly::ScanFile(path, HarvestEvents()); };
  connect(acOptions, &QAction::triggered, this, &TfrmMain::acOptionsClick);
}

void TfrmMain::LoadOeFolders() {
  QString path;
  if (dm_.iUseIdent.ReadBool()) {
    const QString identName = dm_.iIdentName.text();
    Panel4->setText(BlankText(identName) ? QStringLiteral("OE5 Folders")
                                         : QStringLiteral("OE5 Folders - ") + identName);
    oeSource_->oe.identity = dm_.iIdent.text().toStdString();
    path = QString::fromStdString(oeSource_->oe.GetStoreRoot());
  } else {
    Panel4->setText(QStringLiteral("No identity selected"));
    path = dm_.ilStoreFolder.text();
  }
  // Whatever happens, the store folder names an existing folder afterwards.
  if (!path.isEmpty() && QFileInfo(path).isDir())
    dm_.ilStoreFolder.setText(path);
  else
    dm_.ilStoreFolder.setText(Tdm::ProgramFolder());
  FillFolderList(dm_.ilStoreFolder.text());
  ClearAddressList();
}

void TfrmMain::FillFolderList(const QString& folder) {
  oeSource_->listFolder = folder;
  const std::vector<std::string> files = tessaly::ListFolderFiles(folder.toStdString());
  const bool updates = clb->updatesEnabled();
  clb->setUpdatesEnabled(false);
  {
    const QSignalBlocker quiet(clb);
    clb->clear();
    for (const std::string& file : files) {
      const std::string name = tessaly::FolderNameOf(file);
      if (name.empty()) continue;
      auto* item = new QListWidgetItem(QString::fromStdString(name), clb);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
      item->setData(kFileNameRole, QString::fromStdString(file));
    }
  }
  clb->setUpdatesEnabled(updates);
}

void TfrmMain::acOptionsClick() {
  TFrmOptions dialog(dm_, oeSource_->oe, this);
  const QRect main = frameGeometry();
  dialog.move(main.left() + main.width() / 2 - dialog.width() / 2,
              main.top() + main.height() / 2 - dialog.height() / 2);
  if (dialog.ShowModal() == QDialog::Accepted) LoadOeFolders();
}

void TfrmMain::ImportOutlookExpress() {
  if (!BeginHarvestRun()) return;
  const int total = CheckedFolderCount();
  spImporting->setText(QStringLiteral("%1...").arg(QStringLiteral("Importing")));
  tessaly::TOEMessage& oe = oeSource_->oe;
  int k = 0;
  for (int i = 0; i < clb->count(); ++i) {
    QListWidgetItem* item = clb->item(i);
    if (item->checkState() == Qt::Checked) {
      ++k;
      rzFilesToGo->setText(
          QStringLiteral("%1 %2/%3").arg(QStringLiteral("File:")).arg(k).arg(total));
      clb->setCurrentRow(i);
      spImporting->repaint();
      QString file = item->data(kFileNameRole).toString();
      if (file.isEmpty()) file = item->text() + QStringLiteral(".dbx");
      const std::string path =
          tessaly::JoinPath(oeSource_->listFolder.toStdString(), file.toStdString());

      if (!oe.ReadFolderFile(path)) {
        StdDlgs::ShowError(QStringLiteral("Cannot Import. Please, close Outlook Express"));
        break;
      }
      if (!abortFlag_ && dm_.iCollectFromOeBody.ReadBool() && oeSource_->RawScan) {
        try {
          oeSource_->RawScan(path);
        } catch (...) {
          RzPB->hide();
        }
      }
    }
    if (abortFlag_) break;
  }
  EndHarvestRun();
}
