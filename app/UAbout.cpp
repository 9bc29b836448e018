#include "UAbout.h"

#include <unistd.h>

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

#include "settings/UDm.h"

TAboutBox::TAboutBox(const Tdm& dm, QWidget* parent) : QDialog(parent) {
  const QString title = dm.FileVersionInfo.ProductName;
  setWindowTitle(QStringLiteral("About %1").arg(title));
  setFixedSize(351, 183);

  auto* Image1 = new QLabel(this);
  Image1->setPixmap(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32)
                                          : windowIcon().pixmap(32, 32));
  lbTitle = new QLabel(title, this);
  QFont big = lbTitle->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 3);
  lbTitle->setFont(big);
  lbVersion = new QLabel(QStringLiteral("Version %1").arg(dm.FileVersionInfo.FileVersion), this);
  lbCopyright = new QLabel(dm.FileVersionInfo.LegalCopyright, this);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  OS = new QLabel(OperatingSystemLine(), this);
  PhysMem = new QLabel(MemoryLine(PhysicalMemory()), this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Image1, 0, 0, 3, 1, Qt::AlignTop);
  grid->addWidget(lbTitle, 0, 1);
  grid->addWidget(ok, 0, 2, Qt::AlignTop | Qt::AlignRight);
  grid->addWidget(lbVersion, 1, 1, 1, 2);
  grid->addWidget(lbCopyright, 2, 1, 1, 2);
  grid->addWidget(rule, 3, 1, 1, 2);
  grid->addWidget(OS, 4, 1, 1, 2);
  grid->addWidget(PhysMem, 5, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
}

QString TAboutBox::OperatingSystemLine() {
  QString name = QSysInfo::kernelType();
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  const QStringList parts = QSysInfo::kernelVersion().split(QLatin1Char('.'));
  const int major = parts.value(0).toInt();
  const int minor = parts.value(1).toInt();
  return QStringLiteral("%1 %2.%3").arg(name).arg(major).arg(minor);
}

QString TAboutBox::MemoryLine(quint64 bytes) {
  QLocale grouped = QLocale::c();
  grouped.setNumberOptions(QLocale::DefaultNumberOptions);
  return QStringLiteral("Memory Available to Windows: %1 Kb")
      .arg(grouped.toString(static_cast<qulonglong>(bytes / 1024)));
}

quint64 TAboutBox::PhysicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long size = ::sysconf(_SC_PAGE_SIZE);
  return pages > 0 && size > 0 ? static_cast<quint64>(pages) * static_cast<quint64>(size) : 0;
}
