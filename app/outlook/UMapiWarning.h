// The MAPI notice: how to set Outlook up, shown at start when Outlook is there but its
// mailbox session cannot be opened.
#pragma once

#include "outlook/NoticeDialog.h"

class QCheckBox;

class TfrmMapiWarning : public TNoticeDialog {
  Q_OBJECT
 public:
  explicit TfrmMapiWarning(QWidget* parent = nullptr);
  // Its 20 lines, as shown.
  static QStringList Lines();

  QCheckBox* cbShowOnStartup;
};
