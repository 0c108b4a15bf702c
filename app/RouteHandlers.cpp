// Route and path queries: the Read Route and Read Path buttons and the two replies, which
// refill the route list window and the path window.

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CMeshcfgDlg.h"
#include "LogTexts.h"
#include "QtText.h"
#include "RouteLabels.h"
#include "RouteWindow.h"

void CMeshcfgDlg::ReadRouteList() {
    m_engine.send(proto::RouteListRequest{});
}

void CMeshcfgDlg::ReadPathList() {
    m_engine.send(proto::PathRequest{});
}

void CMeshcfgDlg::OnRouteListReply(const proto::RouteListReply& reply) {
    const forms::RouteList list = forms::routeListOf(reply);
    if (list.routeNodes.empty()) return logLine(LogSide::Received, qtext(forms::kRouteError));
    if (!m_pMeshDlg) m_pMeshDlg = new CDialog_Mesh(this);
    m_pMeshDlg->ClearRouteList();
    m_pMeshDlg->FillRouteList(qtexts(list.routeNodes), qtexts(list.targetNodes),
                              QString::fromStdString(list.localNode));
    route::showWindow(*m_pMeshDlg);
}

void CMeshcfgDlg::OnPathReply(const proto::PathReply& reply) {
    const forms::PathList list = forms::pathListOf(reply);
    if (!m_pPathDlg) m_pPathDlg = new CDialog_Net_Path(this);
    m_pPathDlg->FillPathList(qtexts(list.pathNodes), qtexts(list.linkValues));
    route::showWindow(*m_pPathDlg);
}
