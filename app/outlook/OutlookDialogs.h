// How the Outlook source shows its dialogs and prints its notices, with the two places a
// test takes over: the modal run of a dialog, and the printer a notice prints on.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QFont;
class QPrinter;

namespace OutlookDialogs {

// The dialogs' font: MS Sans Serif at 8 points, or what the system puts in its place at the
// pixel height the layouts were drawn for (8 points on a 96 dpi screen), so that the
// captions fit their places whatever the screen's resolution.
QFont DialogFont();

// Runs the dialog modally and returns its result (QDialog::Accepted or Rejected).
int ExecModal(QDialog& dialog);

// Stands in for the person at the screen: when set, it is handed every dialog instead of
// the dialog being shown, works it as the person would and returns its result. Tests use
// it; the tool never sets it.
using TModalRunner = std::function<int(QDialog& dialog)>;
void SetModalRunner(TModalRunner runner);

// The printer a notice prints on: the default printer, unless a test hands another one
// (a PDF file, for instance).
using TPrinterSource = std::function<std::unique_ptr<QPrinter>()>;
void SetPrinterSource(TPrinterSource source);

// Prints the text as one job of that name; a failure is shown as an error box.
void PrintText(const QString& text, const QString& jobName);

}  // namespace OutlookDialogs
