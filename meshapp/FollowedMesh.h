#pragma once
// A watcher's last survey as its /mesh.json serves it: the mesh the map draws, and beside it the
// nodes the watcher holds down, each with how long since it was last heard ("down 3 min").

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <map>

#include "Mesh.h"

namespace meshapp {

struct FollowedMesh {
    mesh::Mesh mesh{};
    std::map<std::uint16_t, QString> down{};  // node id: "down 3 min"
    QString surveyedAt{};                     // as served; empty before its first survey
    QString error{};                          // why the document was refused; all else empty
};

// Bounds what a watcher may serve: far above a mesh's JSON.
inline constexpr qint64 kMaxMeshJsonBytes = 4 * 1024 * 1024;

FollowedMesh readFollowedMesh(const QByteArray& body, const QDateTime& now);

// "down 45 s", "down 3 min", "down 2 h", "down 4 d": how long since a node was last heard.
QString downText(qint64 seconds);

}  // namespace meshapp
