#include "CDialog_Mesh.h"

#include <algorithm>

#include "CDrawView.h"
#include "CShapButton.h"
#include "ResourceIds.h"
#include "RouteGeometry.h"
#include "RouteWindow.h"
#include "WindowMenu.h"

namespace display {

namespace {

constexpr int kLegendBand = 80;  // pixels above the surface that hold the legend

QRect badgeRect(int left, int top) {
    return QRect(left, top, kBadgeSize, kBadgeSize);
}

}  // namespace

CDialog_Mesh::CDialog_Mesh(QWidget* parent) : QDialog(parent) {
    const widgets::DialogControls controls = buildWindow(res::kDialogMesh, *this);
    m_btnLocal = controls.get<CShapButton>(res::kIdMeshLegendLocal);
    m_btnRoute = controls.get<CShapButton>(res::kIdMeshLegendRoute);
    m_btnTarget = controls.get<CShapButton>(res::kIdMeshLegendTarget);
    m_btnLocal->setColor(kLocalColor);
    m_btnRoute->setColor(kRouteColor);
    m_btnTarget->setColor(kTargetColor);

    m_pView = new CDrawView(this);
    m_pView->setObjectName(QString::number(res::kIdDrawView));
    const QRect client = rect();
    m_pView->setGeometry(client.left(), client.top() + kLegendBand, client.width(),
                         client.height() - kLegendBand);
    m_menu =
        new WindowMenu(*this, QStringLiteral("meshcfg-route"), [this] { return routesAsText(); });
}

QString CDialog_Mesh::routesAsText() const {
    QString text = tr("local node\t%1\n").arg(m_pLocalBadge ? m_pLocalBadge->text() : QString());
    text += tr("target\troute node\n");
    for (std::size_t i = 0; i < m_pRouteBadges.size(); ++i)
        text += m_pTargetBadges[i]->text() + u'\t' + m_pRouteBadges[i]->text() + u'\n';
    return text;
}

// The badges go before the surface they sit on.
CDialog_Mesh::~CDialog_Mesh() = default;

void CDialog_Mesh::ClearRouteList() {
    m_pLocalBadge.reset();
    m_pRouteBadges.clear();
    m_pTargetBadges.clear();
}

std::unique_ptr<CShapButton> CDialog_Mesh::createBadge(const QString& text, const QRect& rect,
                                                       int id, QRgb color) const {
    auto badge = std::make_unique<CShapButton>(text, m_pView->content());
    badge->setObjectName(QString::number(id));
    badge->setFocusPolicy(Qt::NoFocus);
    badge->setGeometry(rect);
    badge->setColor(color);
    badge->show();
    return badge;
}

void CDialog_Mesh::FillRouteList(const QStringList& routeNodes, const QStringList& targetNodes,
                                 QString localNode) {
    ClearRouteList();
    // Badges are placed in window coordinates of the surface: from its origin they are
    // content coordinates.
    m_pView->scrollToOrigin();
    const auto n = static_cast<unsigned>(std::min(routeNodes.size(), targetNodes.size()));
    if (n == 0) {
        m_pView->setContent(kSurfaceWidth, 0, 0);
        return;
    }
    for (unsigned i = 0; i < n; ++i) {
        const int top = kFirstRowTop + static_cast<int>(kRowPitch * i);
        m_pRouteBadges.push_back(createBadge(routeNodes[i], badgeRect(kRouteLeft, top),
                                             res::kIdRouteBadgeFirst + static_cast<int>(i),
                                             kRouteColor));
    }
    for (unsigned i = 0; i < n; ++i) {
        const int top = kFirstRowTop + static_cast<int>(kRowPitch * i);
        m_pTargetBadges.push_back(createBadge(targetNodes[i], badgeRect(kTargetLeft, top),
                                              res::kIdTargetBadgeFirst + static_cast<int>(i),
                                              kTargetColor));
    }
    const int centre = static_cast<int>(kRowPitch * n / 2);
    m_pLocalBadge = createBadge(localNode, badgeRect(kLocalLeft, centre - kBadgeSize / 2),
                                res::kIdLocalBadge, kLocalColor);
    m_pView->setContent(kSurfaceWidth, kRowHeight * static_cast<int>(n), n);
}

}  // namespace display
