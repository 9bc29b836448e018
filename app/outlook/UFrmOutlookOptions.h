// The Outlook options: the top-level folder (message store) whose tree is listed, and the
// message fields to collect from.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

class TfrmOutlookOptions : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOutlookOptions(QWidget* parent = nullptr);

  // Closes with OK unless no message field is ticked.
  void btOKClick();

  QPushButton* btOK;
  QPushButton* btCancel;
  QTabWidget* pageControl1;
  QWidget* tsIdentities;
  QGroupBox* GroupBox1;
  QLabel* Label1;
  QComboBox* cbId;
  QGroupBox* GroupBox2;
  QCheckBox* cbCollectFromBody;
  QCheckBox* cbCollectToFields;
  QCheckBox* cbCollectFromFields;
};
