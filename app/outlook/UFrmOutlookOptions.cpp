#include "outlook/UFrmOutlookOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

#include "StdDlgs.h"
#include "outlook/OutlookDialogs.h"

TfrmOutlookOptions::TfrmOutlookOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Options"));
  setFont(OutlookDialogs::DialogFont());
  setFixedSize(329, 326);

  pageControl1 = new QTabWidget(this);
  pageControl1->setGeometry(8, 9, 313, 278);
  tsIdentities = new QWidget();
  pageControl1->addTab(tsIdentities, QStringLiteral("General"));

  GroupBox1 = new QGroupBox(tsIdentities);
  GroupBox1->setGeometry(8, 8, 281, 89);
  Label1 = new QLabel(QStringLiteral("Folder"), GroupBox1);
  Label1->move(8, 27);
  cbId = new QComboBox(GroupBox1);
  cbId->setEditable(false);
  cbId->setGeometry(8, 44, 257, 21);

  GroupBox2 = new QGroupBox(QStringLiteral("Message Fields"), tsIdentities);
  GroupBox2->setGeometry(8, 104, 281, 105);
  cbCollectFromBody = new QCheckBox(QStringLiteral("Collect emails from message &body"), GroupBox2);
  cbCollectFromBody->setGeometry(17, 23, 209, 17);
  cbCollectToFields =
      new QCheckBox(QStringLiteral("Collect Emails from the \"&TO\" field"), GroupBox2);
  cbCollectToFields->setGeometry(17, 47, 193, 17);
  cbCollectFromFields =
      new QCheckBox(QStringLiteral("Collect Emails from the \"&FROM\" field"), GroupBox2);
  cbCollectFromFields->setGeometry(17, 71, 193, 17);
  // A face standing in for the designed one may need more width than it was drawn with.
  for (QCheckBox* box : {cbCollectFromBody, cbCollectToFields, cbCollectFromFields})
    box->resize(std::min(std::max(box->width(), box->sizeHint().width()),
                         GroupBox2->width() - box->x() - 4),
                box->height());
  // The FROM box comes before the TO box in tab order, although it sits below it.
  QWidget::setTabOrder(cbCollectFromBody, cbCollectFromFields);
  QWidget::setTabOrder(cbCollectFromFields, cbCollectToFields);

  btOK = new QPushButton(QStringLiteral("OK"), this);
  btOK->setGeometry(166, 293, 75, 23);
  btOK->setDefault(true);
  btCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btCancel->setGeometry(246, 293, 75, 23);
  connect(btOK, &QPushButton::clicked, this, &TfrmOutlookOptions::btOKClick);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOutlookOptions::btOKClick() {
  if (!cbCollectFromBody->isChecked() && !cbCollectToFields->isChecked() &&
      !cbCollectFromFields->isChecked()) {
    StdDlgs::ShowError(QStringLiteral("Please, select one or more Message Fields"));
    return;
  }
  accept();
}
