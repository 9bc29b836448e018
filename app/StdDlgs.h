// The four message boxes every command uses. Each is modal and takes the message text.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace StdDlgs {

enum class TDlgKind { ConfirmYesNoCancel, ConfirmYesNo, Error, Info };

QMessageBox::StandardButton ConfirmYesNoCancel(const QString& text);
QMessageBox::StandardButton ConfirmYesNo(const QString& text);
void ShowError(const QString& text);
void ShowInfo(const QString& text);

// Stands in for the person at the screen: when set, every box is answered by it instead
// of being shown. Tests use it; the tool never sets it.
using TResponder = std::function<QMessageBox::StandardButton(TDlgKind, const QString&)>;
void SetResponder(TResponder responder);

}  // namespace StdDlgs
