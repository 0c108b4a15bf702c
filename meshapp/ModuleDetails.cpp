#include "ModuleDetails.h"

#include <QCoreApplication>
#include <QStringList>
#include <type_traits>
#include <variant>

#include "ControlTexts.h"
#include "RouteLabels.h"
#include "SetupNames.h"

namespace meshapp {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("MeshMap", text);
}

QString text(const std::string& value) {
    return QString::fromStdString(value).toHtmlEscaped();
}

// A code the module's lists do not hold is shown as its number.
template <typename Table>
QString entryOf(const Table& table, int index) {
    if (index < 0 || index >= static_cast<int>(table.size())) return tr("code %1").arg(index);
    const auto& entry = table[static_cast<std::size_t>(index)];
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(entry)>>) {
        return QString::number(entry);
    } else {
        return QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size()));
    }
}

QString row(const QString& name, const QString& value) {
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(name, value);
}

QString heading(const QString& title) {
    return QStringLiteral("<h4>%1</h4>").arg(title);
}

QString settingsOf(const mesh::ModuleAnswers& answers) {
    if (!answers.setup) return heading(tr("Settings")) + tr("No setup reply.");
    const forms::SetupFields fields = forms::setupFieldsOf(*answers.setup);
    const int lifeCycle = fields.lifeCycleIndex;
    return heading(tr("Settings")) + QStringLiteral("<table>") +
           row(tr("Frequency"), tr("%1 MHz").arg(text(fields.frequencyText))) +
           row(tr("Power"), QString::number(fields.powerIndex + 1)) +
           row(tr("Life cycle"), lifeCycle >= 0 && lifeCycle < proto::kLifeCycles
                                     ? text(proto::lifeCycleName(lifeCycle))
                                     : tr("code %1").arg(lifeCycle)) +
           row(tr("Network id"), text(fields.networkIdText)) +
           row(tr("Node id"), text(fields.nodeIdText)) +
           row(tr("UART"), entryOf(proto::kUartBaudRates, fields.baudIndex) + u' ' +
                               entryOf(proto::kParityNames, fields.parityIndex)) +
           QStringLiteral("</table>");
}

QString routesOf(const mesh::ModuleAnswers& answers) {
    if (!answers.routes) return heading(tr("Route list")) + tr("No route list reply.");
    const forms::RouteList list = forms::routeListOf(*answers.routes);
    QString html = heading(tr("Route list of node %1").arg(text(list.localNode)));
    if (list.targetNodes.empty()) return html + tr("No routes.");
    html += QStringLiteral("<table>") + row(tr("<b>target</b>"), tr("<b>route node</b>"));
    for (std::size_t i = 0; i < list.targetNodes.size(); ++i)
        html += row(text(list.targetNodes[i]), text(list.routeNodes[i]));
    return html + QStringLiteral("</table>");
}

// "1 → 2 (-52) → 6 (-61)": each link value belongs to the node it leads to.
QString pathOf(const mesh::ModuleAnswers& answers) {
    if (!answers.path) return heading(tr("Path")) + tr("No path reply.");
    const forms::PathList path = forms::pathListOf(*answers.path);
    if (path.linkValues.empty()) return heading(tr("Path")) + tr("No path: nothing sent yet.");
    QString chain = text(path.pathNodes.front());
    for (std::size_t i = 0; i < path.linkValues.size(); ++i)
        chain +=
            QStringLiteral(" → %1 (%2)").arg(text(path.pathNodes[i + 1]), text(path.linkValues[i]));
    return heading(tr("Path")) + chain;
}

QString reachedBy(const mesh::MeshNode& node) {
    QStringList ids;
    for (const std::uint16_t by : node.reachedBy) ids << QString::number(by);
    return ids.isEmpty() ? tr("No surveyed module has a route to it.")
                         : tr("Reached by %1.").arg(ids.join(QStringLiteral(", ")));
}

}  // namespace

QString moduleDetails(const mesh::Mesh& mesh, std::uint16_t id) {
    const mesh::MeshNode* node = mesh.graph.node(id);
    if (!node) return {};
    QString html = QStringLiteral("<h3>%1</h3>").arg(tr("Node %1").arg(id));
    if (!node->onPort())
        html += tr("No surveyed port answers as this node: it is only named in route lists or "
                   "paths.") +
                u' ';
    html += reachedBy(*node);
    for (const std::size_t index : node->modules) {
        const mesh::SurveyedPort& port = mesh.survey[index];
        const auto& answers = std::get<mesh::ModuleAnswers>(port.outcome);
        html += QStringLiteral("<h3>%1</h3>").arg(text(port.port)) + settingsOf(answers) +
                routesOf(answers) + pathOf(answers);
    }
    return html;
}

}  // namespace meshapp
