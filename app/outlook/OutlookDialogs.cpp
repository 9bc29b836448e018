#include "outlook/OutlookDialogs.h"

#include <QDialog>
#include <QFont>
#include <QPrinter>
#include <QTextDocument>

#include "StdDlgs.h"

namespace OutlookDialogs {
namespace {

TModalRunner g_runner;
TPrinterSource g_printerSource;

}  // namespace

QFont DialogFont() {
  // Where the font is missing, a face of the same widths keeps the captions in their
  // places; the system's default sans face is often much wider.
  static const bool substituted = [] {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                                QStringLiteral("Helvetica")});
    return true;
  }();
  (void)substituted;
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

int ExecModal(QDialog& dialog) {
  if (g_runner) return g_runner(dialog);
  return dialog.exec();
}

void SetModalRunner(TModalRunner runner) {
  g_runner = std::move(runner);
}

void SetPrinterSource(TPrinterSource source) {
  g_printerSource = std::move(source);
}

void PrintText(const QString& text, const QString& jobName) {
  std::unique_ptr<QPrinter> printer =
      g_printerSource ? g_printerSource() : std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!printer || !printer->isValid()) {
    StdDlgs::ShowError(QStringLiteral("There is no printer to print on."));
    return;
  }
  printer->setDocName(jobName);
  QTextDocument document;
  document.setPlainText(text);
  document.print(printer.get());
  if (printer->printerState() == QPrinter::Error)
    StdDlgs::ShowError(QStringLiteral("Printing failed."));
}

}  // namespace OutlookDialogs
