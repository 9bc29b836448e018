// The data module: the settings with their defaults and the version record. Created before
// any window and freed last.
#pragma once

#include <QString>

#include "settings/FileVersionInfo.h"
#include "settings/IniCompo32.h"

class Tdm {
 public:
  Tdm();
  ~Tdm() = default;
  Tdm(const Tdm&) = delete;
  Tdm& operator=(const Tdm&) = delete;

  // The folder of the tool's executable, with its trailing separator.
  static QString ProgramFolder();
  // The per-user folder holding the address table (no separator at the end).
  static QString DataFolder();
  // The per-user default folder of Save As.
  static QString DefaultExportFolder();

  TINIArquivo iaKey;
  TINISecao isSettings{QStringLiteral("Settings")};
  TIniLinha ilExportDir{QStringLiteral("ExportDir")};
  TIniLinha ilStoreFolder{QStringLiteral("StoreFolder")};
  TFileVersionInfo FileVersionInfo;
  TIniLinha iIdent{QStringLiteral("Ident")};
  TIniLinha iIdentName{QStringLiteral("IdentName")};
  TIniLinha iUseIdent{QStringLiteral("UseIdent"), QStringLiteral("true")};
  TIniLinha iShowMapiWarning{QStringLiteral("ShowMapiWarning"), QStringLiteral("true")};
  TIniLinha iDuplicates{QStringLiteral("Duplicates"), QStringLiteral("false")};
  TIniLinha iSiteLastAskedFileVersion{QStringLiteral("SiteLastAskedFileVersion")};
  TIniLinha iSiteLastFileVersion{QStringLiteral("SiteLastFileVersion")};
  TIniLinha iCollectFromBody{QStringLiteral("CollectFromBody"), QStringLiteral("false")};
  TIniLinha iCollectToField{QStringLiteral("CollectToField"), QStringLiteral("true")};
  TIniLinha iCollectFromField{QStringLiteral("CollectFromField"), QStringLiteral("true")};
  TIniLinha iCollectFromOeBody{QStringLiteral("CollectFromOeBody"), QStringLiteral("true")};
  // The Outlook data files to open, separated by ";"; empty: those in the usual places.
  TIniLinha iOutlookDataFiles{QStringLiteral("OutlookDataFiles")};

  // Opens the store named after the version record: "Software\<company>\<product>".
  void dmCreate(const QString& executableFile);
};

// The one data module of the running tool.
extern Tdm* dm;
