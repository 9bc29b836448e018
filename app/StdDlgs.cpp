#include "StdDlgs.h"

#include <QApplication>

namespace StdDlgs {
namespace {

TResponder g_responder;

QMessageBox::StandardButton Show(TDlgKind kind, QMessageBox::Icon icon,
                                 QMessageBox::StandardButtons buttons, const QString& text) {
  if (g_responder) return g_responder(kind, text);
  QMessageBox box(icon, QApplication::applicationName(), text, buttons,
                  QApplication::activeWindow());
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton ConfirmYesNoCancel(const QString& text) {
  return Show(TDlgKind::ConfirmYesNoCancel, QMessageBox::Question,
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, text);
}

QMessageBox::StandardButton ConfirmYesNo(const QString& text) {
  return Show(TDlgKind::ConfirmYesNo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
              text);
}

void ShowError(const QString& text) {
  Show(TDlgKind::Error, QMessageBox::Critical, QMessageBox::Ok, text);
}

void ShowInfo(const QString& text) {
  Show(TDlgKind::Info, QMessageBox::Information, QMessageBox::Ok, text);
}

void SetResponder(TResponder responder) { g_responder = std::move(responder); }

}  // namespace StdDlgs
