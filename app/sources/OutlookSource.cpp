// The Outlook source's Start path: every ticked folder of the list, read with the options
// of the settings; a folder that cannot be read shows the error notice and ends the run.
#include <QLabel>
#include <QListWidget>

#include "UMain.h"
#include "outlook/OutlookDialogs.h"
#include "outlook/OutlookState.h"
#include "outlook/UOutlookErrorWarning.h"
#include "settings/UDm.h"

void TfrmMain::ImportOutlook() {
  if (!outlook_ || !outlook_->reader) return;
  tessaly::TOutlook& reader = *outlook_->reader;
  if (!BeginHarvestRun()) return;
  const int total = CheckedFolderCount();
  spImporting->setText(QStringLiteral("%1...").arg(QStringLiteral("Importing")));
  int reached = 0;
  for (int i = 0; i < clb->count(); ++i) {
    QListWidgetItem* item = clb->item(i);
    if (item->checkState() == Qt::Checked) {
      ++reached;
      rzFilesToGo->setText(
          QStringLiteral("%1 %2/%3").arg(QStringLiteral("File:")).arg(reached).arg(total));
      clb->setCurrentItem(item);
      spImporting->repaint();
      reader.BodyOption = dm_.iCollectFromBody.ReadBool();
      reader.FromOption = dm_.iCollectFromField.ReadBool();
      reader.ToOption = dm_.iCollectToField.ReadBool();
      if (!reader.ReadFolder(item->data(Qt::UserRole).toByteArray().toStdString())) {
        TfrmOutlookErrorWarning notice(this);
        OutlookDialogs::ExecModal(notice);
        break;
      }
    }
    if (AbortFlag()) break;
  }
  EndHarvestRun();
}
