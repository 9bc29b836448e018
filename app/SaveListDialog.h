// The save dialog of Save As: the seven layouts as file types, the first preselected, an
// empty name, a question before replacing a file, and no way out into a missing folder.
#pragma once

#include <QFileDialog>
#include <functional>

class TSaveListDialog : public QFileDialog {
  Q_OBJECT
 public:
  // Opens in folder.
  TSaveListDialog(QWidget* parent, const QString& folder);

  // The chosen file-type entry, 1 to 7; 0 when none is recognised.
  int FilterIndex() const;
  // The chosen file, with the extension of its file type when the name had none.
  QString ChosenPath() const;

  // Shows the dialog modally and returns its result. With a responder set, the responder
  // plays the person at the screen instead: it gets the prepared dialog, may choose a file
  // and a file type in it, and returns the result.
  int ShowModal();
  using TResponder = std::function<int(TSaveListDialog&)>;
  static void SetResponder(TResponder responder);

 protected:
  void accept() override;
};
