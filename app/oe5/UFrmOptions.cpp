#include "oe5/UFrmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "StdDlgs.h"
#include "oe5/UOEMessage.h"
#include "settings/UDm.h"

namespace {

TFolderPicker::TRunner g_pickerRunner;
TFrmOptions::TModalRunner g_modalRunner;

// Characters of code 32 and below removed from both ends.
QString TrimControls(const QString& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s[b].unicode() <= 32) ++b;
  while (e > b && s[e - 1].unicode() <= 32) --e;
  return s.mid(b, e - b);
}

// The part of an identity entry before its NUL, and the part after it.
std::pair<std::string, std::string> SplitEntry(const std::string& entry) {
  const std::size_t nul = entry.find('\0');
  if (nul == std::string::npos) return {entry, {}};
  return {entry.substr(0, nul), entry.substr(nul + 1)};
}

// A key name longer than this is cut when it is stored.
constexpr std::size_t kMaxIdentLength = 30000;

}  // namespace

bool TFolderPicker::Execute(QWidget* parent) {
  if (g_pickerRunner) return g_pickerRunner(*this);
  QFileDialog dialog(parent, Caption, Directory);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setLabelText(QFileDialog::LookIn, Prompt);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancel"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  Directory = dialog.selectedFiles().constFirst();
  return true;
}

void TFolderPicker::SetRunner(TRunner runner) {
  g_pickerRunner = std::move(runner);
}

TFrmOptions::TFrmOptions(Tdm& dm, const tessaly::TOEMessage& oe, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dm_(dm),
      oe_(oe) {
  setWindowTitle(QStringLiteral("Options"));
  setFixedSize(329, 326);

  btOK = new QPushButton(QStringLiteral("OK"), this);
  btOK->setGeometry(166, 293, 75, 23);
  btOK->setDefault(true);
  btCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btCancel->setGeometry(246, 293, 75, 23);

  pageControl1 = new QTabWidget(this);
  pageControl1->setGeometry(8, 9, 313, 278);
  tsIdentities = new QWidget;
  pageControl1->addTab(tsIdentities, QStringLiteral("Identities"));

  GroupBox1 = new QGroupBox(tsIdentities);
  GroupBox1->setGeometry(8, 8, 281, 89);
  // The check box sits on the group box's frame, where a caption would be. Widths leave
  // room for this platform's font.
  cbUseIdentities = new QCheckBox(QStringLiteral("&Use Identities"), GroupBox1);
  cbUseIdentities->setGeometry(10, 0, 105, 17);
  Label1 = new QLabel(QStringLiteral("&Identity"), GroupBox1);
  Label1->move(8, 27);
  cbId = new QComboBox(GroupBox1);
  cbId->setGeometry(8, 44, 257, 21);
  cbId->setEditable(false);
  Label1->setBuddy(cbId);

  GroupBox2 = new QGroupBox(QStringLiteral("&Folders Directory"), tsIdentities);
  GroupBox2->setGeometry(8, 112, 281, 89);
  beFolder = new QLineEdit(GroupBox2);
  beFolder->setGeometry(8, 38, 257 - 21, 21);
  beFolderButton = new QToolButton(GroupBox2);
  beFolderButton->setText(QStringLiteral("..."));
  beFolderButton->setGeometry(8 + 257 - 21, 38, 21, 21);

  cbCollectFromOEBody =
      new QCheckBox(QStringLiteral("Collect emails from message &body"), tsIdentities);
  cbCollectFromOEBody->setGeometry(8, 216, 193 + 40, 17);

  connect(btOK, &QPushButton::clicked, this, &TFrmOptions::btOKClick);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(cbUseIdentities, &QCheckBox::toggled, this, &TFrmOptions::cbUseIdentitiesClick);
  connect(beFolderButton, &QToolButton::clicked, this, &TFrmOptions::beFolderButtonClick);

  // FormCreate.
  identities_.clear();
  LoadSettings();
}

TFrmOptions::~TFrmOptions() = default;

void TFrmOptions::LoadSettings() {
  beFolder->setText(dm_.ilStoreFolder.text());

  oe_.ListIdentities(identities_);
  cbId->clear();
  for (const std::string& entry : identities_)
    cbId->addItem(QString::fromStdString(SplitEntry(entry).first));

  const QString identName = dm_.iIdentName.text();
  if (!TrimControls(identName).isEmpty()) {
    int found = 0;
    for (int i = 0; i < cbId->count(); ++i) {
      if (cbId->itemText(i).compare(identName, Qt::CaseInsensitive) == 0) {
        found = i;
        break;
      }
    }
    cbId->setCurrentIndex(cbId->count() > 0 ? found : -1);
  } else {
    cbId->setCurrentIndex(cbId->count() > 0 ? 0 : -1);
  }

  const QSignalBlocker quiet(cbUseIdentities);
  cbUseIdentities->setEnabled(cbId->count() > 0);
  cbUseIdentities->setChecked(cbUseIdentities->isEnabled() && dm_.iUseIdent.ReadBool());
  cbCollectFromOEBody->setChecked(dm_.iCollectFromOeBody.ReadBool());
  cbUseIdentitiesClick();
}

bool TFrmOptions::IdentitiesInUse() const {
  return cbUseIdentities->isEnabled() && cbUseIdentities->isChecked();
}

void TFrmOptions::cbUseIdentitiesClick() {
  const bool inUse = IdentitiesInUse();
  beFolder->setEnabled(!inUse);
  beFolderButton->setEnabled(!inUse);
  cbId->setEnabled(inUse);
}

void TFrmOptions::beFolderButtonClick() {
  fb.Caption = QStringLiteral("Store Folder");
  fb.Prompt = QStringLiteral("Select Outlook Express 5 Store Folder");
  // The picker starts at the folder in use, not at what the box holds now.
  fb.Directory = dm_.ilStoreFolder.text();
  if (!fb.Execute(this)) return;
  QString folder = TrimControls(fb.Directory);
  if (!folder.isEmpty() && !folder.endsWith(QDir::separator())) folder += QDir::separator();
  beFolder->setText(folder);
}

void TFrmOptions::btOKClick() {
  if (!IdentitiesInUse() && !QFileInfo(beFolder->text()).isDir()) {
    StdDlgs::ShowError(QStringLiteral("Invalid directory"));
    pageControl1->setCurrentWidget(tsIdentities);
    beFolder->setFocus();
    return;
  }
  if (IdentitiesInUse() && cbId->currentIndex() < 0) {
    StdDlgs::ShowError(QStringLiteral("No identity selected"));
    pageControl1->setCurrentWidget(tsIdentities);
    cbId->setFocus();
    return;
  }
  SaveSettings();
  accept();
}

void TFrmOptions::SaveSettings() {
  dm_.iUseIdent.WriteBool(IdentitiesInUse());
  dm_.ilStoreFolder.setText(TrimControls(beFolder->text()));
  const int index = cbId->currentIndex();
  if (index < 0 || index >= static_cast<int>(identities_.size())) {
    dm_.iIdent.setText(QString());
    dm_.iIdentName.setText(QString());
  } else {
    const auto [userName, keyName] = SplitEntry(identities_[static_cast<std::size_t>(index)]);
    dm_.iIdentName.setText(QString::fromStdString(userName));
    dm_.iIdent.setText(QString::fromStdString(keyName.substr(0, kMaxIdentLength)));
  }
  dm_.iCollectFromOeBody.WriteBool(cbCollectFromOEBody->isChecked());
}

int TFrmOptions::ShowModal() {
  if (g_modalRunner) return g_modalRunner(*this);
  return exec();
}

void TFrmOptions::SetModalRunner(TModalRunner runner) {
  g_modalRunner = std::move(runner);
}
