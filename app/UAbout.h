// The About box: title, version, copyright, and a line each on the system and its memory.
#pragma once

#include <QDialog>

class QLabel;
class Tdm;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  TAboutBox(const Tdm& dm, QWidget* parent = nullptr);

  // "<name> <major>.<minor>" of the running system.
  static QString OperatingSystemLine();
  // "Memory Available to Windows: " and the physical memory in kilobytes, grouped.
  static QString MemoryLine(quint64 bytes);
  static quint64 PhysicalMemory();

  QLabel* lbTitle;
  QLabel* lbVersion;
  QLabel* lbCopyright;
  QLabel* OS;
  QLabel* PhysMem;
};
