// What the two Outlook notices share: a read-only text filling the upper panel, an Ok
// button that closes the notice and a Print button that prints its text.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QWidget;

class TNoticeDialog : public QDialog {
  Q_OBJECT
 public:
  QWidget* Panel1;
  QPlainTextEdit* rtf;
  QPushButton* Button1;
  QPushButton* Button2;

  // Prints the text as one job named "Configuration".
  void Button2Click();

 protected:
  // clientSize and panelHeight in pixels; the buttons are placed by the notice itself.
  TNoticeDialog(QWidget* parent, const QString& caption, QSize clientSize, int panelHeight,
                const QStringList& lines);
};
