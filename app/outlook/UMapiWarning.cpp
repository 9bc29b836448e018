#include "outlook/UMapiWarning.h"

#include <QCheckBox>
#include <QPushButton>

QStringList TfrmMapiWarning::Lines() {
  return {
      QStringLiteral("If you want to collect emails from outlook, you need to Install MAPI and "
                     "set it as "),
      QStringLiteral("your  default client."),
      QString(),
      QString(),
      QStringLiteral("To set Outlook as your default email client, follow these steps:"),
      QStringLiteral("1 - Click the Windows \"Start\" Button"),
      QStringLiteral("2 - Click \"Settings\" and then \"Control Panel\""),
      QStringLiteral("3 - Click \"Internet Options\""),
      QStringLiteral("4 - Click the \"Programs\" tab"),
      QStringLiteral("5 - Select \"Outlook\" in the \"E-mail\" tab"),
      QStringLiteral("6 - Click OK."),
      QString(),
      QString(),
      QStringLiteral("To install MAPI, Follow these steps"),
      QStringLiteral("1 - Get your Office 2000 CD and execute \"setup.exe\""),
      QStringLiteral("2 - Choose \"Add or remove features\"."),
      QStringLiteral("3 - Click \"Microsoft Outlook for Windows\"."),
      QStringLiteral(
          "4 - Choose \"Collaboration Data Objects\". Select \"Run From My Computer\", "),
      QStringLiteral("Clicking the arrow."),
      QStringLiteral("5 - Click the \"Update Now\" Button.);"),
  };
}

TfrmMapiWarning::TfrmMapiWarning(QWidget* parent)
    : TNoticeDialog(parent, QStringLiteral("Configuration"), QSize(398, 310), 271, Lines()) {
  Button1->setGeometry(324, 281, 70, 22);
  Button2->setGeometry(245, 281, 70, 22);
  cbShowOnStartup = new QCheckBox(QStringLiteral("Do not show this message on startup"), this);
  cbShowOnStartup->setGeometry(0, 283, 217, 17);
  cbShowOnStartup->setChecked(false);
}
