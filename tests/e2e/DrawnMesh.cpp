#include "DrawnMesh.h"

#include <QLabel>
#include <algorithm>
#include <sstream>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CDrawView.h"
#include "CShapButton.h"
#include "ResourceIds.h"

using namespace res;

namespace {

template <class W>
W* control(const QWidget& parent, int id) {
    return parent.findChild<W*>(QString::number(id));
}

}  // namespace

DrawnRoutes drawnRoutes(const display::CDialog_Mesh& window) {
    const QWidget& surface = *window.view()->content();
    DrawnRoutes drawn;
    if (const auto* local = control<display::CShapButton>(surface, kIdLocalBadge)) {
        drawn.localNode = local->text();
    }
    for (int row = 0;; ++row) {
        const auto* route = control<display::CShapButton>(surface, kIdRouteBadgeFirst + row);
        const auto* target = control<display::CShapButton>(surface, kIdTargetBadgeFirst + row);
        if (route == nullptr || target == nullptr) break;
        drawn.routeNodes << route->text();
        drawn.targetNodes << target->text();
    }
    drawn.badges = static_cast<int>(
        surface.findChildren<display::CShapButton*>(Qt::FindDirectChildrenOnly).size());
    return drawn;
}

DrawnPath drawnPath(const display::CDialog_Net_Path& window) {
    DrawnPath drawn;
    for (int k = 0; k < kPathBadgeCount; ++k) {
        const auto* badge = control<display::CShapButton>(window, kIdPathBadgeFirst + k);
        if (badge != nullptr && badge->isVisibleTo(&window)) drawn.nodes << badge->text();
    }
    for (int k = 0; k < kLinkCount; ++k) {
        const auto* value = control<QLabel>(window, kIdLinkValueFirst + k);
        if (value != nullptr && value->isVisibleTo(&window)) drawn.linkValues << value->text();
    }
    return drawn;
}

sim::Mesh meshOf(const QByteArray& text) {
    if (text.isEmpty()) return sim::defaultMesh();
    std::istringstream in(text.toStdString());
    return sim::parseMesh(in).mesh;
}

DrawnRoutes routesOf(const sim::Mesh& mesh, std::size_t entries) {
    DrawnRoutes expected;
    expected.localNode = QString::number(mesh.localNode);
    const std::size_t count = std::min(entries, mesh.routes.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!mesh.routes[i]) continue;
        expected.routeNodes << QString::number(mesh.routes[i]->via);
        expected.targetNodes << QString::number(mesh.routes[i]->target);
    }
    expected.badges = 2 * static_cast<int>(expected.routeNodes.size()) + 1;
    return expected;
}

DrawnPath pathOf(const sim::Mesh& mesh) {
    DrawnPath expected;
    expected.nodes << QString::number(mesh.localNode);
    for (const sim::Hop& hop : mesh.path) {
        expected.nodes << QString::number(hop.node);
        expected.linkValues << QStringLiteral("-%1").arg(hop.linkValue);
    }
    return expected;
}

QString describe(const DrawnRoutes& routes) {
    return QStringLiteral("local %1, routes [%2], targets [%3], %4 badges")
        .arg(routes.localNode, routes.routeNodes.join(u' '), routes.targetNodes.join(u' '))
        .arg(routes.badges);
}

QString describe(const DrawnPath& path) {
    return QStringLiteral("nodes [%1], links [%2]")
        .arg(path.nodes.join(u' '), path.linkValues.join(u' '));
}

char* toString(const DrawnRoutes& routes) {
    return qstrdup(describe(routes).toUtf8().constData());
}

char* toString(const DrawnPath& path) {
    return qstrdup(describe(path).toUtf8().constData());
}
