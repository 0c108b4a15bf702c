#pragma once
// What the route list window and the path window draw, read back from their badges and
// labels, and what they should draw for a simulator's mesh.

#include <QString>
#include <QStringList>

#include "LabMesh.h"

namespace display {
class CDialog_Mesh;
class CDialog_Net_Path;
}  // namespace display

struct DrawnRoutes {
    QString localNode;
    QStringList routeNodes;   // row by row
    QStringList targetNodes;  // row by row
    int badges = 0;           // every badge on the surface: 2 a row and the local node

    bool operator==(const DrawnRoutes&) const = default;
};

struct DrawnPath {
    QStringList nodes;       // visible badges, local node first
    QStringList linkValues;  // visible value labels, in link order

    bool operator==(const DrawnPath&) const = default;
};

DrawnRoutes drawnRoutes(const display::CDialog_Mesh& window);
DrawnPath drawnPath(const display::CDialog_Net_Path& window);

// The mesh a simulator reports for a mesh file's text; the built-in one for no text.
sim::Mesh meshOf(const QByteArray& text);

// The used route entries of the mesh, or only those of the first `entries` slots.
DrawnRoutes routesOf(const sim::Mesh& mesh, std::size_t entries = proto::kRouteSlots);
DrawnPath pathOf(const sim::Mesh& mesh);

// For failure messages; toString is what QCOMPARE prints.
QString describe(const DrawnRoutes& routes);
QString describe(const DrawnPath& path);
char* toString(const DrawnRoutes& routes);
char* toString(const DrawnPath& path);
