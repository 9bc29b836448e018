#include "outlook/UOutlookErrorWarning.h"

#include <QPushButton>

#include "outlook/UMapiWarning.h"

QStringList TfrmOutlookErrorWarning::Lines() {
  // The first eleven lines of the MAPI notice, without the part about installing MAPI.
  QStringList lines = TfrmMapiWarning::Lines().mid(0, 11);
  lines[0] = QStringLiteral("If you want to collect emails from outlook, you need to set it as ");
  return lines;
}

TfrmOutlookErrorWarning::TfrmOutlookErrorWarning(QWidget* parent)
    : TNoticeDialog(parent, QStringLiteral("Configuration Error"), QSize(301, 193), 153, Lines()) {
  Button1->setGeometry(229, 167, 70, 22);
  Button2->setGeometry(150, 167, 70, 22);
}
