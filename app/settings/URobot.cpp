#include "settings/URobot.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

TRobot::TRobot(QObject* parent) : QObject(parent), http_(new QNetworkAccessManager(this)) {}

TRobot::~TRobot() {
  if (reply_) {
    reply_->disconnect(this);
    reply_->abort();
    reply_->deleteLater();
    reply_ = nullptr;
  }
}

void TRobot::Get(const QString& url) {
  if (busy_) return;
  busy_ = true;
  const QUrl target(url);
  if (!target.isValid() || target.scheme().isEmpty()) {
    if (OnDone) OnDone(QString());
    return;
  }
  QNetworkRequest request(target);
  request.setTransferTimeout(30000);
  reply_ = http_->get(request);
  connect(reply_, &QNetworkReply::finished, this, &TRobot::Completed);
}

void TRobot::Completed() {
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  if (!reply) return;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const bool ok = reply->error() == QNetworkReply::NoError && status <= 400;
  // The reply is bytes; the marker and the version are plain ASCII.
  const QString body = ok ? QString::fromLatin1(reply->readAll()) : QString();
  reply->deleteLater();
  if (OnDone) OnDone(body);
}
