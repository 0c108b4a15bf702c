// Route and path queries: the Read Route and Read Path buttons and the two replies, which
// refill the route list window and the path window.

#include <QStringList>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CMeshcfgDlg.h"
#include "QtText.h"
#include "RouteList.h"
#include "RouteWindow.h"

namespace {

QStringList toStringList(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) list.append(QString::fromStdString(text));
    return list;
}

}  // namespace

void CMeshcfgDlg::ReadRouteList() {
    sendRequest(proto::buildReadRouteList(), proto::kDescReadRoute);
}

void CMeshcfgDlg::ReadPathList() {
    sendRequest(proto::buildReadPathList(), proto::kDescReadPath);
}

void CMeshcfgDlg::OnRouteListReply(std::span<const std::uint8_t> block) {
    // A block too short for the local node says nothing beyond its hex dump.
    const std::optional<proto::RouteList> list = proto::decodeRouteList(block);
    if (!list) return;
    if (list->routeNodes.empty()) {
        AppendLog(qtext(proto::kRouteError) + timestampSuffix());
        return;
    }
    if (!m_pMeshDlg) m_pMeshDlg = new CDialog_Mesh(this);
    m_pMeshDlg->ClearRouteList();
    m_pMeshDlg->FillRouteList(toStringList(list->routeNodes), toStringList(list->targetNodes),
                              QString::fromStdString(list->localNode));
    route::showWindow(*m_pMeshDlg);
}

void CMeshcfgDlg::OnPathReply(std::span<const std::uint8_t> block) {
    // Without the local node there is no chain to draw: the window keeps what it showed.
    const std::optional<proto::PathList> list = proto::decodePathList(block);
    if (!list) return;
    if (!m_pPathDlg) m_pPathDlg = new CDialog_Net_Path(this);
    m_pPathDlg->FillPathList(toStringList(list->pathNodes), toStringList(list->linkValues));
    route::showWindow(*m_pPathDlg);
}
