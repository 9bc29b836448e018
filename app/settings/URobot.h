// The fetch component of the version check: one asynchronous GET per life.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

class TRobot : public QObject {
  Q_OBJECT
 public:
  explicit TRobot(QObject* parent = nullptr);
  // Freeing the robot aborts a request still under way; its reply is lost.
  ~TRobot() override;

  // Called once with the reply body, or with the empty text when the request failed.
  std::function<void(const QString& reply)> OnDone;

  // Starts the request; a second call in the robot's life does nothing.
  void Get(const QString& url);
  bool Busy() const { return busy_; }

 private:
  void Completed();

  QNetworkAccessManager* http_;
  QNetworkReply* reply_ = nullptr;
  bool busy_ = false;
};
