#include "UFrmDeleteEmails.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <limits>

namespace {
TfrmDeleteEmails::TResponder g_responder;
}

QString TfrmDeleteEmails::HelpText() {
  return QStringLiteral(
      "Please, select the emails to be deleted.\r\n"
      "Use the * wildcards to select multiple emails.\r\n"
      "\r\n"
      "Examples:\r\n"
      "*@example.com will delete all emails ending with @example.com\r\n"
      "me@* will delete all emails starting with me@\r\n"
      "*bogus* will delete all emails having the word bogus");
}

TfrmDeleteEmails::TfrmDeleteEmails(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Options"));
  setFixedSize(329, 326);

  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(8, 8, 313, 273);
  tsDeleteEmails = new QWidget(PageControl1);
  PageControl1->addTab(tsDeleteEmails, QStringLiteral("Delete Emails"));

  gbPattern = new QGroupBox(QStringLiteral("&Pattern Selection"), tsDeleteEmails);
  gbPattern->setGeometry(8, 8, 291, 223);
  lbPattern = new QLabel(gbPattern);
  lbPattern->setGeometry(16, 24, 259, 109);
  lbPattern->setWordWrap(true);
  lbPattern->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The label shows plain lines; its text keeps the CR LF breaks of the help.
  lbPattern->setTextFormat(Qt::PlainText);
  lbPattern->setText(HelpText());
  // 109 pixels hold the help in the small dialog font it was laid out for; a larger
  // desktop font would cut its last lines, so the label grows to its text instead.
  const int helpHeight = std::max(109, lbPattern->heightForWidth(259));
  lbPattern->resize(259, helpHeight);
  Edit1 = new QLineEdit(gbPattern);
  Edit1->setGeometry(16, 24 + helpHeight + 8, 259, 21);
  Edit1->setMaxLength(std::numeric_limits<int>::max());

  btOK = new QPushButton(QStringLiteral("OK"), this);
  btOK->setGeometry(166, 292, 75, 25);
  btOK->setDefault(true);
  btCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btCancel->setGeometry(246, 292, 75, 25);
  connect(btOK, &QPushButton::clicked, this, &TfrmDeleteEmails::btOKClick);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
  Edit1->setFocus();
}

void TfrmDeleteEmails::btOKClick() {
  accept();
}

int TfrmDeleteEmails::ShowModal() {
  return g_responder ? g_responder(*this) : exec();
}

void TfrmDeleteEmails::SetResponder(TResponder responder) {
  g_responder = std::move(responder);
}
