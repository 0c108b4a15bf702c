#pragma once
// Polls a watcher's /mesh.json: one request at a time, the next one interval after the last
// answer or failure, so that a watcher out of reach is tried again and never waited on.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QNetworkReply;

namespace meshapp {

class MeshFollower : public QObject {
    Q_OBJECT

  public:
    // watcher: http://host:port, the watcher's metrics address.
    MeshFollower(const QUrl& watcher, std::chrono::milliseconds interval, QObject* parent);

    QUrl documentUrl() const { return m_url; }

  signals:
    void served(const QByteArray& body);
    void failed(const QString& why);

  private:
    void fetch();
    void finish(QNetworkReply* reply);

    QUrl m_url;
    QNetworkAccessManager m_network;
    QTimer m_next;
};

}  // namespace meshapp
