#include "USplash.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QThread>

#include "tessaly/Version.h"

TFrmSplash::TFrmSplash(int minimumMs, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      minimumMs_(minimumMs) {
  shown_.start();
  setFixedSize(420, 240);
  webLink = new QLabel(this);
  webLink->setText(QStringLiteral("<a href=\"%1\" style=\"color:#1a7f1a\">%1</a>").arg(HomePage()));
  webLink->setOpenExternalLinks(true);
  webLink->setCursor(Qt::PointingHandCursor);
  webLink->setAttribute(Qt::WA_TranslucentBackground);
  webLink->adjustSize();
  webLink->move(width() - webLink->width() - 12, height() - webLink->height() - 10);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QString TFrmSplash::HomePage() { return QStringLiteral("https://www.norwend.example/tessaly"); }

void TFrmSplash::closeEvent(QCloseEvent* event) {
  while (shown_.elapsed() <= minimumMs_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  event->accept();
}

void TFrmSplash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0x1d, 0x3d, 0x6b));
  sky.setColorAt(1, QColor(0x3f, 0x7c, 0xb8));
  p.fillRect(rect(), sky);
  p.setPen(QColor(255, 255, 255, 40));
  for (int x = -height(); x < width(); x += 18) p.drawLine(x, height(), x + height(), 0);
  p.setPen(Qt::white);
  QFont title = font();
  title.setPointSize(30);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(24, 50, width() - 48, 60), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromLatin1(tessaly::version::kProductName));
  QFont small = font();
  small.setPointSize(10);
  p.setFont(small);
  p.drawText(QRect(26, 110, width() - 48, 24), Qt::AlignLeft,
             QStringLiteral("Collects e-mail addresses from your own files and mail"));
  p.drawText(QRect(26, 132, width() - 48, 24), Qt::AlignLeft,
             QStringLiteral("Version %1").arg(QString::fromLatin1(tessaly::version::kFileVersion)));
  p.setPen(QColor(255, 255, 255, 120));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}
