// Route and path queries: the Read Route and Read Path buttons and the two replies, which
// refill the route list window and the path window.

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CMeshcfgDlg.h"
#include "LogTexts.h"
#include "QtText.h"
#include "RouteLabels.h"
#include "RouteWindow.h"

namespace app {

void CMeshcfgDlg::ReadRouteList() {
    m_engine.send(proto::RouteListRequest{});
}

void CMeshcfgDlg::ReadPathList() {
    m_engine.send(proto::PathRequest{});
}

void CMeshcfgDlg::OnRouteListReply(const proto::RouteListReply& reply) {
    const forms::RouteList list = forms::routeListOf(reply);
    if (list.routeNodes.empty())
        return logLine(LogSide::Received, widgets::qtext(forms::kRouteError));
    if (!m_pMeshDlg) m_pMeshDlg = new display::CDialog_Mesh(this);
    m_pMeshDlg->ClearRouteList();
    m_pMeshDlg->FillRouteList(widgets::qtexts(list.routeNodes), widgets::qtexts(list.targetNodes),
                              QString::fromStdString(list.localNode));
    display::showWindow(*m_pMeshDlg);
}

void CMeshcfgDlg::OnPathReply(const proto::PathReply& reply) {
    const forms::PathList list = forms::pathListOf(reply);
    if (!m_pPathDlg) m_pPathDlg = new display::CDialog_Net_Path(this);
    m_pPathDlg->FillPathList(widgets::qtexts(list.pathNodes), widgets::qtexts(list.linkValues));
    display::showWindow(*m_pPathDlg);
}

}  // namespace app
