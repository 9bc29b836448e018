// The options dialog of the Outlook Express source: an identity of the registry or a store
// folder of the user's own, and whether each folder file's body is scanned as well.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class Tdm;

namespace tessaly {
class TOEMessage;
}

// Asks for a folder, starting at Directory; Execute is true when the user confirmed one,
// then left in Directory.
class TFolderPicker {
 public:
  QString Caption;
  QString Prompt;
  QString Directory;
  bool Execute(QWidget* parent);

  // Stands in for the person at the screen: when set, Execute asks it instead of showing
  // the picker. Tests use it; the tool never sets it.
  using TRunner = std::function<bool(TFolderPicker&)>;
  static void SetRunner(TRunner runner);
};

class TFrmOptions : public QDialog {
 public:
  // FormCreate: the dialog's identity list from the reader's registry, then LoadSettings.
  TFrmOptions(Tdm& dm, const tessaly::TOEMessage& oe, QWidget* parent);
  // FormDestroy.
  ~TFrmOptions() override;

  void LoadSettings();
  void SaveSettings();
  void btOKClick();
  void cbUseIdentitiesClick();
  void beFolderButtonClick();
  // Identities are in use when the check box is enabled and ticked.
  bool IdentitiesInUse() const;

  // Shows the dialog modally and gives its result.
  int ShowModal();
  // Stands in for the person at the screen: when set, ShowModal hands it the dialog, and
  // what it returns is the result. Tests use it to drive the real dialog.
  using TModalRunner = std::function<int(TFrmOptions&)>;
  static void SetModalRunner(TModalRunner runner);

  QPushButton* btOK;
  QPushButton* btCancel;
  QTabWidget* pageControl1;
  QWidget* tsIdentities;
  QGroupBox* GroupBox1;
  QCheckBox* cbUseIdentities;
  QLabel* Label1;
  QComboBox* cbId;
  QGroupBox* GroupBox2;
  QLineEdit* beFolder;
  QToolButton* beFolderButton;
  QCheckBox* cbCollectFromOEBody;
  TFolderPicker fb;

  // User name, NUL, key name: one entry per identity, in the order cbId shows them.
  const std::vector<std::string>& Identities() const { return identities_; }

 private:
  Tdm& dm_;
  const tessaly::TOEMessage& oe_;
  std::vector<std::string> identities_;
};
