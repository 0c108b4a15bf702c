#include "MeshFollower.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include "FollowedMesh.h"

namespace meshapp {

namespace {

constexpr int kFollowTimeoutMs = 5000;

}  // namespace

MeshFollower::MeshFollower(const QUrl& watcher, std::chrono::milliseconds interval, QObject* parent)
    : QObject(parent), m_url(watcher.resolved(QUrl(QStringLiteral("/mesh.json")))) {
    m_next.setSingleShot(true);
    m_next.setInterval(interval);
    connect(&m_next, &QTimer::timeout, this, &MeshFollower::fetch);
    fetch();
}

void MeshFollower::fetch() {
    QNetworkRequest request(m_url);
    request.setTransferTimeout(kFollowTimeoutMs);
    QNetworkReply* reply = m_network.get(request);
    // A document past the bound is cut off rather than held whole.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxMeshJsonBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void MeshFollower::finish(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        emit failed(reply->errorString());
    else
        emit served(reply->readAll());
    m_next.start();
}

}  // namespace meshapp
