// Commands on the list after a run: Save As and Delete Emails.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QTableView>
#include <exception>

#include "AddressGridModel.h"
#include "SaveListDialog.h"
#include "StdDlgs.h"
#include "UFrmDeleteEmails.h"
#include "UMain.h"
#include "list/DeleteMatching.h"
#include "list/SaveLayouts.h"
#include "settings/UDm.h"

using tessaly::TRunState;

void TfrmMain::ConnectListCommands() {
  connect(acSave, &QAction::triggered, this, &TfrmMain::acSaveClick);
  connect(miDeleteEmails, &QAction::triggered, this, &TfrmMain::miDeleteEmailsClick);
}

char TfrmMain::ListSeparator() {
  return tessaly::ListSeparatorForDecimalPoint(QLocale().decimalPoint().toStdString());
}

// --- Save As ------------------------------------------------------------------------------

void TfrmMain::acSaveClick() {
  SaveList();
}

void TfrmMain::SaveList() {
  saveFailed_ = false;
  QString folder = dm_.ilExportDir.text();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = Tdm::DefaultExportFolder();
    QDir().mkpath(folder);
  }
  TSaveListDialog dialog(this, folder);
  if (dialog.ShowModal() != QDialog::Accepted) return;
  const QString path = dialog.ChosenPath();
  const int layout = dialog.FilterIndex();
  if (path.isEmpty()) return;

  // The folder is remembered before anything is written, so a failed save keeps it too.
  QString chosenFolder = QFileInfo(path).absolutePath();
  if (!chosenFolder.endsWith(QLatin1Char('/'))) chosenFolder += QLatin1Char('/');
  dm_.ilExportDir.setText(QDir::toNativeSeparators(chosenFolder));

  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QString failure;
  try {
    tessaly::TDBISAMTableVantor* table = Table();
    if (!table || !table->Active()) throw tessaly::EExportError("There is no address list to save");
    tessaly::WriteLayout(*table, layout, QFile::encodeName(path).toStdString(), ListSeparator());
  } catch (const std::exception& e) {
    failure = QString::fromLocal8Bit(e.what());
  }
  QGuiApplication::restoreOverrideCursor();
  // Addresses that never reached a file stay unsaved, so that closing still offers to save.
  if (failure.isEmpty()) {
    unsavedAddresses_ = false;
  } else {
    saveFailed_ = true;
    StdDlgs::ShowError(failure);
  }
}

// --- Delete Emails ------------------------------------------------------------------------

void TfrmMain::miDeleteEmailsClick() {
  try {
    TfrmDeleteEmails dialog(this);
    const QRect main = frameGeometry();
    const QRect own = dialog.frameGeometry();
    dialog.move(main.x() + main.width() - own.width(), main.y() + main.height() - own.height());
    if (dialog.ShowModal() != QDialog::Accepted) return;

    const QByteArray typed = dialog.Edit1->text().toUtf8();
    const std::string pattern(tessaly::TrimControls(
        std::string_view(typed.constData(), static_cast<std::size_t>(typed.size()))));
    int count = 0;
    if (!pattern.empty()) {
      abortFlag_ = false;
      runState_ = TRunState::rsRunning;
      UpdateControls();
      try {
        count = DeleteMatching(pattern);
      } catch (...) {
        runState_ = TRunState::rsDone;
        UpdateControls();
        throw;
      }
      runState_ = TRunState::rsDone;
      UpdateControls();
    }
    StdDlgs::ShowInfo(QStringLiteral("Emails deleted: %1").arg(count));
  } catch (...) {
    // A refused pattern or a failing table ends the command without a message; what was
    // deleted stays deleted.
  }
}

int TfrmMain::DeleteMatching(const std::string& pattern) {
  tessaly::TDBISAMTableVantor* table = Table();
  if (!table) return 0;
  RzPB->setRange(0, 0);
  RzPB->setValue(0);
  RzPB->show();
  // The grid neither repaints nor reads the table during the walk; afterwards it shows the
  // table again in the order it showed before (its own sorting included).
  const bool sorted = gridModel_->AllRecordsMode();
  const int sortColumn = gridModel_->SortedColumn();
  const Qt::SortOrder sortOrder = gridModel_->SortOrder();
  dxGrid->setUpdatesEnabled(false);
  auto restore = [&] {
    gridModel_->Attach(table);
    if (sorted && sortColumn >= 0) gridModel_->SortAllRecords(sortColumn, sortOrder);
    dxGrid->setUpdatesEnabled(true);
    RzPB->hide();
    RestoreCursor();
    // Also after a failure: the header must show what the table now holds.
    addressCount_ = HasRecords() ? static_cast<std::int32_t>(table->RecordCount()) : 0;
  };
  std::int64_t count = 0;
  try {
    count = tessaly::DeleteMatching(*table, pattern, HarvestEvents());
    table->Commit();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return static_cast<int>(count);
}
