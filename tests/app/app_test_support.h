// Shared set-up of the window tests: a scratch store, a data module, and the person at the
// screen answering message boxes.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <deque>
#include <memory>

#include "SaveListDialog.h"
#include "StdDlgs.h"
#include "sources/FBrowse.h"
#include "UMain.h"
#include "settings/UDm.h"
#include "tessaly/Version.h"

namespace apptest {

// No window test may wait on a modal dialog nobody answers: until a test says otherwise,
// every chooser is cancelled.
inline void CancelEveryChooser() {
  TOpenDialog::SetResponder([](const TOpenDialog&) { return std::optional<QString>(); });
  TFolderBrowse::SetResponder([](const TFolderBrowse&) { return std::optional<QString>(); });
  TSaveListDialog::SetResponder([](TSaveListDialog&) { return int(QDialog::Rejected); });
}

// Empties the scratch settings store.
inline void ClearStore() {
  QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Norwend"),
            QStringLiteral("Tessaly"))
      .clear();
}

inline void UseScratchStore() {
  CancelEveryChooser();
  // No test talks to the maker's server: port 9 on this machine refuses at once.
  TfrmMain::VersionServer = QStringLiteral("http://127.0.0.1:9");
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setOrganizationName(QString::fromLatin1(tessaly::version::kCompanyName));
  QCoreApplication::setApplicationName(QString::fromLatin1(tessaly::version::kProductName));
  ClearStore();
}

inline std::unique_ptr<Tdm> NewDm() {
  auto data = std::make_unique<Tdm>();
  data->dmCreate(QCoreApplication::applicationFilePath());
  return data;
}

// Answers every message box from a queue of answers (OK when the queue is empty) and
// records what was shown.
struct ScriptedUser {
  std::deque<QMessageBox::StandardButton> answers;
  QStringList shown;
  ScriptedUser() {
    StdDlgs::SetResponder([this](StdDlgs::TDlgKind, const QString& text) {
      shown << text;
      if (answers.empty()) return QMessageBox::Ok;
      const auto a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~ScriptedUser() { StdDlgs::SetResponder({}); }
};

}  // namespace apptest
