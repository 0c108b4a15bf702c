#include "FollowedMesh.h"

#include <QCoreApplication>

#include "MeshJson.h"
#include "PrintableText.h"

namespace meshapp {

namespace {

QString followedText(const char* text) {
    return QCoreApplication::translate("FollowedMesh", text);
}

// A node the watcher holds down, with the time since it was last heard where it says one.
void readNodeState(const modlink::Json& row, const QDateTime& now, FollowedMesh& followed) {
    if (row.value("state", std::string()) != "down") return;
    const auto id = static_cast<std::uint16_t>(row.at("id").get<int>());
    const QDateTime heard = QDateTime::fromString(
        QString::fromStdString(row.value("last_heard", std::string())), Qt::ISODateWithMs);
    followed.down[id] =
        heard.isValid() ? downText(std::max<qint64>(0, heard.secsTo(now))) : followedText("down");
}

}  // namespace

QString downText(qint64 seconds) {
    if (seconds < 60) return followedText("down %1 s").arg(seconds);
    if (seconds < 3600) return followedText("down %1 min").arg(seconds / 60);
    if (seconds < 86400) return followedText("down %1 h").arg(seconds / 3600);
    return followedText("down %1 d").arg(seconds / 86400);
}

FollowedMesh readFollowedMesh(const QByteArray& body, const QDateTime& now) {
    FollowedMesh followed;
    if (body.size() > kMaxMeshJsonBytes) {
        followed.error = followedText("it is larger than a mesh's document can be");
        return followed;
    }
    const modlink::Json json = modlink::Json::parse(body.cbegin(), body.cend(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        followed.error = followedText("it is not a JSON object");
        return followed;
    }
    try {
        followed.mesh = reports::meshFromJson(json);
        for (const modlink::Json& row : json.at("nodes")) readNodeState(row, now, followed);
        if (const modlink::Json& at = json.value("surveyed_at", modlink::Json()); at.is_string())
            followed.surveyedAt =
                QString::fromStdString(files::printableText(at.get<std::string>()));
    } catch (const std::exception& error) {
        return {.error = QString::fromStdString(files::printableText(error.what()))};
    }
    return followed;
}

}  // namespace meshapp
