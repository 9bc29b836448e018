#include "settings/UDm.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

Tdm* dm = nullptr;

Tdm::Tdm() {
  iaKey.Language = TICLanguage::iclEnglish;
  isSettings.SetArquivoAssociado(&iaKey);
  for (TIniLinha* key :
       {&ilExportDir, &ilStoreFolder, &iIdent, &iIdentName, &iUseIdent, &iShowMapiWarning,
        &iDuplicates, &iSiteLastAskedFileVersion, &iSiteLastFileVersion, &iCollectFromBody,
        &iCollectToField, &iCollectFromField, &iCollectFromOeBody, &iOutlookDataFiles})
    key->SetSecaoAssociada(&isSettings);
}

void Tdm::dmCreate(const QString& executableFile) {
  FileVersionInfo.SetExecutableFile(executableFile);
  iaKey.SetFileName(QStringLiteral("Software\\%1\\%2")
                        .arg(FileVersionInfo.CompanyName, FileVersionInfo.ProductName));
}

QString Tdm::ProgramFolder() {
  QString folder = QCoreApplication::applicationDirPath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return QDir::toNativeSeparators(folder);
}

namespace {
// Beside the executable is not writable once installed, so the working files live in the
// user's own data location.
QString UserDataRoot() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}
}  // namespace

QString Tdm::DataFolder() { return QDir::toNativeSeparators(UserDataRoot() + QStringLiteral("/data")); }

QString Tdm::DefaultExportFolder() {
  return QDir::toNativeSeparators(UserDataRoot() + QStringLiteral("/Export"));
}
