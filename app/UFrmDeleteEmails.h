// The dialog of Delete Emails: one page with the pattern box and a short help text.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfrmDeleteEmails : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDeleteEmails(QWidget* parent = nullptr);

  // The help label's text, lines separated by CR LF.
  static QString HelpText();

  // Shows the dialog modally and returns its result. With a responder set, the responder
  // plays the person at the screen instead: it gets the dialog as it would be shown.
  int ShowModal();
  using TResponder = std::function<int(TfrmDeleteEmails&)>;
  static void SetResponder(TResponder responder);

  void btOKClick();

  QTabWidget* PageControl1;
  QWidget* tsDeleteEmails;
  QGroupBox* gbPattern;
  QLabel* lbPattern;
  QLineEdit* Edit1;
  QPushButton* btOK;
  QPushButton* btCancel;
};
