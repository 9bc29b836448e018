// The File and Folder sources' Start paths.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>

#include "UMain.h"
#include "harvest/Paths.h"
#include "scan/Scanner.h"

namespace {

// Paths are bytes on disk; the window shows them in the local 8-bit encoding.
std::string ToPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}
QString ToDisplay(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Both choosers open on the root of the file system, never on the last choice.
QString StartFolder() {
  return QDir::rootPath();
}

}  // namespace

void TfrmMain::ImportFile() {
  openDialog = TOpenDialog{};
  openDialog.Title = QStringLiteral("Extract emails from file");
  // Qt takes the patterns from the brackets, where "*.*" would hide names without a dot.
  openDialog.Filter = QStringLiteral("All files (*)");
  openDialog.FilterIndex = 1;
  openDialog.InitialDir = StartFolder();
  openDialog.FileMustExist = true;
  if (!openDialog.Execute(this)) return;

  if (!BeginHarvestRun()) return;
  rzFilesToGo->setText(QString::asprintf("%s %d/%d", "File:", 0, 1));
  spImporting->setText(QString::asprintf("%s   %s   ", "Importing", ""));
  spImporting->repaint();
  try {
    tessaly::ScanFile(ToPath(openDialog.FileName), HarvestEvents());
  } catch (const std::exception&) {
    // The file cannot be opened: the run ends with nothing added, without a message.
    RzPB->hide();
  }
  EndHarvestRun();
}

void TfrmMain::ImportFolder() {
  fld.Directory = StartFolder();
  if (!fld.Execute(this)) return;
  const std::string folder = ToPath(fld.Directory);
  if (!BeginHarvestRun()) return;
  spImporting->setText(QString::asprintf("%s...", "Importing"));

  // The folder chosen is searched as that one folder, whatever characters its name holds
  // and however long its path is.
  fs.SearchFile = tessaly::JoinPath(folder, "*.*");
  fs.RecurseSubFolders = false;
  fs.OnFileFind = [this](const std::string& f, const tessaly::TSearchRec& e) { fsFileFind(f, e); };
  foundFiles_.clear();
  fs.Search();

  const int n = static_cast<int>(foundFiles_.size());
  const tessaly::THarvestEvents events = HarvestEvents();
  for (int k = 1; k <= n; ++k) {
    const std::string& path = foundFiles_[static_cast<std::size_t>(k - 1)];
    rzFilesToGo->setText(QString::asprintf("%s %d/%d", "File:", k, n));
    spImporting->setText(
        QStringLiteral("%1: %2").arg(QStringLiteral("Importing"), ToDisplay(path)));
    spImporting->repaint();
    // Subfolders, FIFOs, sockets and devices count, but are never opened: a FIFO would
    // hold the run up, a device might never end.
    if (tessaly::IsRegularFile(path)) {
      try {
        tessaly::ScanFile(path, events);
      } catch (const std::exception&) {
        // A file that cannot be opened is passed over.
      }
    }
    if (abortFlag_) break;
  }
  EndHarvestRun();
}

void TfrmMain::fsFileFind(const std::string& folder, const tessaly::TSearchRec& entry) {
  foundFiles_.push_back(tessaly::JoinPath(folder, entry.Name));
}
