#include "settings/FileVersionInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "tessaly/Version.h"

void TFileVersionInfo::Clear() {
  for (QString* s : {&CountryCode, &CompanyName, &FileDescription, &FileVersion, &InternalName,
                     &LegalCopyright, &LegalTradeMarks, &OriginalFilename, &ProductName,
                     &ProductVersion, &Comments})
    s->clear();
}

void TFileVersionInfo::SetExecutableFile(const QString& path) {
  executableFile_ = path;
  Clear();
  const QString own = QCoreApplication::applicationFilePath();
  if (own.isEmpty() || QFileInfo(path).canonicalFilePath() != QFileInfo(own).canonicalFilePath())
    return;
  namespace v = tessaly::version;
  CountryCode = QString::fromLatin1(v::kCountryCode);
  CompanyName = QString::fromLatin1(v::kCompanyName);
  FileDescription = QString::fromLatin1(v::kFileDescription);
  FileVersion = QString::fromLatin1(v::kFileVersion);
  InternalName = QString::fromLatin1(v::kProductName);
  LegalCopyright = QString::fromLatin1(v::kLegalCopyright);
  OriginalFilename = QString::fromLatin1(v::kOriginalFilename);
  ProductName = QString::fromLatin1(v::kProductName);
  ProductVersion = QString::fromLatin1(v::kProductVersion);
}
