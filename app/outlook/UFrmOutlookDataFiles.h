// The Outlook data files the mailbox opens. An empty list leaves the choice to the search
// of the places where Outlook keeps its files.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

class TfrmOutlookDataFiles : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOutlookDataFiles(QWidget* parent = nullptr);

  void SetFiles(const QStringList& files);
  QStringList Files() const;
  // Adds the files not yet listed, in their order.
  void AddFiles(const QStringList& files);

  void btAddClick();
  void btRemoveClick();

  QLabel* lbHint;
  QListWidget* lbFiles;
  QPushButton* btAdd;
  QPushButton* btRemove;
  QPushButton* btOK;
  QPushButton* btCancel;
};
