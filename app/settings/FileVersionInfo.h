// The version record of the tool's own executable.
#pragma once

#include <QString>

class TFileVersionInfo {
 public:
  // Setting the executable reads its record anew. Only the tool's own executable carries
  // one here (it is generated at build time); any other file leaves every text empty.
  void SetExecutableFile(const QString& path);
  const QString& ExecutableFile() const { return executableFile_; }

  QString CountryCode;
  QString CompanyName;
  QString FileDescription;
  QString FileVersion;
  QString InternalName;
  QString LegalCopyright;
  QString LegalTradeMarks;
  QString OriginalFilename;
  QString ProductName;
  QString ProductVersion;
  QString Comments;

 private:
  void Clear();
  QString executableFile_;
};
