// The Outlook error notice: shown when a ticked folder cannot be read during a run.
#pragma once

#include "outlook/NoticeDialog.h"

class TfrmOutlookErrorWarning : public TNoticeDialog {
  Q_OBJECT
 public:
  explicit TfrmOutlookErrorWarning(QWidget* parent = nullptr);
  // Its 11 lines, as shown.
  static QStringList Lines();
};
