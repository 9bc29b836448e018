#include "sources/FBrowse.h"

#include <QDir>
#include <QFileDialog>

namespace {
TFolderBrowse::TResponder g_folderResponder;
TOpenDialog::TResponder g_openResponder;
}  // namespace

void TFolderBrowse::SetResponder(TResponder responder) {
  g_folderResponder = std::move(responder);
}

bool TFolderBrowse::Execute(QWidget* owner) {
  std::optional<QString> chosen;
  if (g_folderResponder) {
    chosen = g_folderResponder(*this);
  } else {
    const QString folder =
        QFileDialog::getExistingDirectory(owner, Title, Directory, QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty()) chosen = folder;
  }
  if (!chosen || chosen->isEmpty()) return false;
  Directory = QDir::toNativeSeparators(*chosen);
  return true;
}

void TOpenDialog::SetResponder(TResponder responder) {
  g_openResponder = std::move(responder);
}

bool TOpenDialog::Execute(QWidget* owner) {
  std::optional<QString> chosen;
  if (g_openResponder) {
    chosen = g_openResponder(*this);
  } else {
    QFileDialog dialog(owner, Title, InitialDir, Filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(DefaultExt);
    const QStringList filters = Filter.split(QStringLiteral(";;"));
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
      dialog.selectNameFilter(filters.at(FilterIndex - 1));
    if (!FileName.isEmpty()) dialog.selectFile(FileName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().constFirst();
  }
  if (!chosen || chosen->isEmpty()) return false;
  FileName = *chosen;
  return true;
}
