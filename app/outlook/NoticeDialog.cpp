#include "outlook/NoticeDialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "outlook/OutlookDialogs.h"

TNoticeDialog::TNoticeDialog(QWidget* parent, const QString& caption, QSize clientSize,
                             int panelHeight, const QStringList& lines)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowContextHelpButtonHint) {
  setWindowTitle(caption);
  setFont(OutlookDialogs::DialogFont());
  setFixedSize(clientSize);
  move(280, 123);

  Panel1 = new QWidget(this);
  Panel1->setGeometry(0, 0, clientSize.width(), panelHeight);
  rtf = new QPlainTextEdit(Panel1);
  rtf->setGeometry(0, 0, clientSize.width(), panelHeight);
  rtf->setFrameShape(QFrame::NoFrame);
  rtf->setReadOnly(true);
  rtf->setTabChangesFocus(false);
  rtf->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines wrap
  rtf->setPlainText(lines.join(QLatin1Char('\n')));

  Button1 = new QPushButton(QStringLiteral("&Ok"), this);
  Button2 = new QPushButton(QStringLiteral("&Print"), this);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &TNoticeDialog::Button2Click);
}

void TNoticeDialog::Button2Click() {
  OutlookDialogs::PrintText(rtf->toPlainText(), QStringLiteral("Configuration"));
}
