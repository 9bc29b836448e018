#include "outlook/UFrmOutlookDataFiles.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmOutlookDataFiles::TfrmOutlookDataFiles(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Outlook Data Files"));
  resize(460, 260);

  lbHint = new QLabel(
      QStringLiteral("Leave the list empty to use the data files found where Outlook keeps them."),
      this);
  lbHint->setWordWrap(true);
  lbFiles = new QListWidget(this);
  lbFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  btAdd = new QPushButton(QStringLiteral("&Add..."), this);
  btRemove = new QPushButton(QStringLiteral("&Remove"), this);
  btOK = new QPushButton(QStringLiteral("OK"), this);
  btOK->setDefault(true);
  btCancel = new QPushButton(QStringLiteral("Cancel"), this);

  auto* side = new QVBoxLayout();
  side->addWidget(btAdd);
  side->addWidget(btRemove);
  side->addStretch(1);
  auto* middle = new QHBoxLayout();
  middle->addWidget(lbFiles, 1);
  middle->addLayout(side);
  auto* bottom = new QHBoxLayout();
  bottom->addStretch(1);
  bottom->addWidget(btOK);
  bottom->addWidget(btCancel);
  auto* all = new QVBoxLayout(this);
  all->addWidget(lbHint);
  all->addLayout(middle, 1);
  all->addLayout(bottom);

  connect(btAdd, &QPushButton::clicked, this, &TfrmOutlookDataFiles::btAddClick);
  connect(btRemove, &QPushButton::clicked, this, &TfrmOutlookDataFiles::btRemoveClick);
  connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOutlookDataFiles::SetFiles(const QStringList& files) {
  lbFiles->clear();
  AddFiles(files);
}

QStringList TfrmOutlookDataFiles::Files() const {
  QStringList files;
  for (int i = 0; i < lbFiles->count(); ++i) files << lbFiles->item(i)->text();
  return files;
}

void TfrmOutlookDataFiles::AddFiles(const QStringList& files) {
  for (const QString& file : files)
    if (!file.isEmpty() && lbFiles->findItems(file, Qt::MatchExactly).isEmpty())
      lbFiles->addItem(file);
}

void TfrmOutlookDataFiles::btAddClick() {
  const QStringList current = Files();
  const QString start = current.isEmpty() ? QDir::homePath() : QFileInfo(current.last()).path();
  AddFiles(QFileDialog::getOpenFileNames(
      this, QStringLiteral("Outlook Data Files"), start,
      QStringLiteral("Outlook data files (*.pst *.ost);;All files (*)")));
}

void TfrmOutlookDataFiles::btRemoveClick() {
  for (QListWidgetItem* item : lbFiles->selectedItems()) delete item;
}
