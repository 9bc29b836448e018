// The splash window shown while the tool starts. It stays at least three seconds.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;

class TFrmSplash : public QWidget {
  Q_OBJECT
 public:
  explicit TFrmSplash(int minimumMs = 3000, QWidget* parent = nullptr);

  // The maker's home page, shown at the lower right and opened when clicked.
  static QString HomePage();

  qint64 ElapsedMs() const { return shown_.elapsed(); }

 protected:
  // A close request returns only once more than minimumMs have passed since creation,
  // handling window events meanwhile.
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QElapsedTimer shown_;
  int minimumMs_;
  QLabel* webLink;
};
