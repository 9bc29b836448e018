// The Outlook source on the main window: the reader built at the first activation with
// what stands for its repair step and the MAPI notice, the folder list, the Outlook
// options and the choice of the data files.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>

#include "StdDlgs.h"
#include "UMain.h"
#include "outlook/DataFiles.h"
#include "outlook/OutlookDialogs.h"
#include "outlook/OutlookState.h"
#include "outlook/PstMailbox.h"
#include "outlook/UFrmOutlookDataFiles.h"
#include "outlook/UFrmOutlookOptions.h"
#include "outlook/UMapiWarning.h"
#include "settings/UDm.h"

namespace OutlookSetup {
namespace {

TMailSystemFactory g_factory;
TUsualPlacesSearch g_usualPlaces;

std::shared_ptr<tessaly::mailbox::TMailSystem> NewMailSystem(
    const std::vector<std::string>& files) {
  if (g_factory) return g_factory(files);
  return std::make_shared<tessaly::mailbox::TPstMailSystem>(files);
}

std::vector<std::string> UsualPlaceFiles() {
  if (g_usualPlaces) return g_usualPlaces();
  return tessaly::FindDataFiles(tessaly::UsualProfileFolders());
}

// The setting as file-system bytes, so that a path goes to the reader as it was chosen.
std::string DataFileSetting(Tdm& dm) {
  return QFile::encodeName(dm.iOutlookDataFiles.text()).toStdString();
}

}  // namespace

void SetMailSystemFactory(TMailSystemFactory factory) {
  g_factory = std::move(factory);
}
void SetUsualPlacesSearch(TUsualPlacesSearch search) {
  g_usualPlaces = std::move(search);
}

}  // namespace OutlookSetup

void TfrmMain::TOutlookState::BuildReader(TfrmMain& window, const std::vector<std::string>& files) {
  reader.reset();
  auto system = OutlookSetup::NewMailSystem(files);
  reader = std::make_unique<tessaly::TOutlook>(system);
  ++readersBuilt;
  problems = system ? system->Problems() : std::vector<std::string>{};
  reader->onAddress = [&window](void* sender, std::string_view email, std::string_view name,
                                std::uint8_t kind,
                                int ndx) { window.oeAddress(sender, email, name, kind, ndx); };
  reader->OnFileSize = [&window](std::uint64_t size) { window.oeFileSize(size); };
  reader->OnProgressBar = [&window](std::uint64_t position, bool& abort) {
    window.oeProgressBar(position, abort);
  };
  window.outlookSessionReady_ = reader->MapiPresent;
  window.outlookCdoReady_ = reader->CdoPresent;
}

void TfrmMain::OutlookSetUp() {
  if (!outlook_) outlook_ = std::make_shared<TOutlookState>();
  if (!outlook_->commandsInstalled) {
    outlook_->commandsInstalled = true;
    connect(miOutlookOptions, &QAction::triggered, this, &TfrmMain::miOutlookOptionsClick);
    miOutlookDataFiles = new QAction(QStringLiteral("Outlook Data &Files..."), this);
    miOutlookDataFiles->setStatusTip(QStringLiteral("Outlook Data Files"));
    miOutlookDataFiles->setToolTip(QStringLiteral("Outlook Data Files"));
    connect(miOutlookDataFiles, &QAction::triggered, this, &TfrmMain::miOutlookDataFilesClick);
    for (QObject* owner : miOutlookOptions->associatedObjects()) {
      if (auto* tools = qobject_cast<QMenu*>(owner)) {
        tools->insertAction(acOptions, miOutlookDataFiles);
        // Open whenever the run state is free; the menu asks each time it opens.
        connect(tools, &QMenu::aboutToShow, this,
                [this] { miOutlookDataFiles->setEnabled(Free()); });
      }
    }
  }

  const std::string setting = OutlookSetup::DataFileSetting(dm_);
  outlook_->BuildReader(*this, tessaly::KnownDataFiles(setting, OutlookSetup::UsualPlaceFiles));
  tessaly::TOutlook& first = *outlook_->reader;
  if (first.MapiPresent && !first.CdoPresent) {
    // Data files are known but none opened: what stands for repairing the session is one
    // more look in the usual places, then a new reader.
    outlook_->BuildReader(
        *this, tessaly::DataFilesWithUsualPlaces(setting, OutlookSetup::UsualPlaceFiles));
  }
  tessaly::TOutlook& reader = *outlook_->reader;
  if (reader.MapiPresent && !reader.CdoPresent && dm_.iShowMapiWarning.ReadBool()) {
    TfrmMapiWarning notice(this);
    OutlookDialogs::ExecModal(notice);
    dm_.iShowMapiWarning.WriteBool(!notice.cbShowOnStartup->isChecked());
  }
}

void TfrmMain::ListOutlookFolders() {
  outlookFolders_.clear();
  if (!outlook_ || !outlook_->reader) return;
  std::vector<tessaly::TOutlookFolderEntry> folders;
  outlook_->reader->ListFolders(folders);
  outlookFolders_.reserve(folders.size());
  for (auto& folder : folders)
    outlookFolders_.emplace_back(QString::fromStdString(folder.DisplayText),
                                 std::move(folder.Path));
}

void TfrmMain::miOutlookOptionsClick() {
  if (!outlook_ || !outlook_->reader) return;
  tessaly::TOutlook& reader = *outlook_->reader;
  try {
    TfrmOutlookOptions dialog(this);
    const QRect main = frameGeometry();
    dialog.move(main.left() + main.width() / 2 - dialog.width() / 2,
                main.top() + main.height() / 2 - dialog.height() / 2);
    for (const std::string& name : reader.TopFolderNames())
      dialog.cbId->addItem(QString::fromStdString(name));
    dialog.cbId->setCurrentIndex(reader.SelectedIndex());
    dialog.cbCollectFromBody->setChecked(dm_.iCollectFromBody.ReadBool());
    dialog.cbCollectFromFields->setChecked(dm_.iCollectFromField.ReadBool());
    dialog.cbCollectToFields->setChecked(dm_.iCollectToField.ReadBool());
    if (OutlookDialogs::ExecModal(dialog) != QDialog::Accepted) return;
    reader.SelectFolder(dialog.cbId->currentIndex());
    dm_.iCollectFromBody.WriteBool(dialog.cbCollectFromBody->isChecked());
    dm_.iCollectFromField.WriteBool(dialog.cbCollectFromFields->isChecked());
    dm_.iCollectToField.WriteBool(dialog.cbCollectToFields->isChecked());
    miOutlookClick();
  } catch (const std::exception&) {
    // The command ends where it failed (no store to select, for one).
  }
}

void TfrmMain::miOutlookDataFilesClick() {
  if (!Free()) return;
  if (!outlook_) outlook_ = std::make_shared<TOutlookState>();
  TfrmOutlookDataFiles dialog(this);
  QStringList files;
  for (const std::string& file : tessaly::SplitDataFileList(OutlookSetup::DataFileSetting(dm_)))
    files << QFile::decodeName(QByteArray::fromStdString(file));
  dialog.SetFiles(files);
  if (OutlookDialogs::ExecModal(dialog) != QDialog::Accepted) return;

  std::vector<std::string> chosen;
  for (const QString& file : dialog.Files())
    chosen.push_back(QFile::encodeName(file).toStdString());
  dm_.iOutlookDataFiles.setText(
      QFile::decodeName(QByteArray::fromStdString(tessaly::JoinDataFileList(chosen))));
  outlook_->BuildReader(*this, tessaly::KnownDataFiles(OutlookSetup::DataFileSetting(dm_),
                                                       OutlookSetup::UsualPlaceFiles));
  if (!outlook_->problems.empty()) {
    QStringList lines{QStringLiteral("Unable to open these Outlook data files:")};
    for (const std::string& problem : outlook_->problems)
      lines << QFile::decodeName(QByteArray::fromStdString(problem));
    StdDlgs::ShowError(lines.join(QLatin1Char('\n')));
  }
  // The Source menu follows the new reader; an Outlook folder list shows its folders.
  if (miOutlook->isChecked())
    miOutlookClick();
  else
    UpdateControls();
}
