#include "CDialog_Net_Path.h"

#include <QLabel>
#include <algorithm>

#include "CShapButton.h"
#include "RouteWindow.h"

namespace {

QRgb roleColor(qsizetype index, qsizetype count) {
    if (index == 0) return route::kLocalColor;
    return index == count - 1 ? route::kTargetColor : route::kRouteColor;
}

}  // namespace

CDialog_Net_Path::CDialog_Net_Path(QWidget* parent) : QDialog(parent) {
    const DialogControls controls = route::buildWindow(res::kDialogPath, *this);
    for (int k = 0; k < res::kPathBadgeCount; ++k) {
        m_btnPath[k] = controls.get<CShapButton>(res::kIdPathBadgeFirst + k);
        m_btnPath[k]->setColor(roleColor(k, res::kPathBadgeCount));
    }
    for (int k = 0; k < res::kLinkCount; ++k) {
        m_linkMarks[k] = controls.get<QLabel>(res::kIdLinkMarkFirst + k);
        m_linkValues[k] = controls.get<QLabel>(res::kIdLinkValueFirst + k);
    }
    m_btnLegendLocal = controls.get<CShapButton>(res::kIdPathLegendLocal);
    m_btnLegendRoute = controls.get<CShapButton>(res::kIdPathLegendRoute);
    m_btnLegendTarget = controls.get<CShapButton>(res::kIdPathLegendTarget);
    m_btnLegendLocal->setColor(route::kLocalColor);
    m_btnLegendRoute->setColor(route::kRouteColor);
    m_btnLegendTarget->setColor(route::kTargetColor);
}

void CDialog_Net_Path::FillPathList(const QStringList& pathNodes, const QStringList& linkValues) {
    for (QLabel* mark : m_linkMarks) mark->hide();
    for (QLabel* value : m_linkValues) value->hide();
    for (CShapButton* badge : m_btnPath) badge->hide();

    // Colours follow each node's role in the whole path, so a target that does not fit is
    // not painted on a relay.
    const qsizetype n = pathNodes.size();
    const qsizetype shown = std::min<qsizetype>(n, res::kPathBadgeCount);
    for (qsizetype i = 0; i < shown; ++i) {
        CShapButton* badge = m_btnPath[i];
        badge->setColor(roleColor(i, n));
        badge->setText(pathNodes[i]);
        badge->show();
        if (i == n - 1 || i >= res::kLinkCount) continue;
        m_linkMarks[i]->show();
        if (i < linkValues.size()) {
            m_linkValues[i]->setText(linkValues[i]);
            m_linkValues[i]->show();
        }
    }
}
