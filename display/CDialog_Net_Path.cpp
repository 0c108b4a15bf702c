#include "CDialog_Net_Path.h"

#include <QLabel>
#include <algorithm>

#include "CShapButton.h"
#include "RouteWindow.h"
#include "TranslatedText.h"
#include "WindowMenu.h"

namespace display {

namespace {

QRgb roleColor(qsizetype index, qsizetype count) {
    if (index == 0) return kLocalColor;
    return index == count - 1 ? kTargetColor : kRouteColor;
}

}  // namespace

CDialog_Net_Path::CDialog_Net_Path(QWidget* parent)
    : QDialog(parent),
      m_caption(widgets::shownText(layout::dialogTemplate(res::kDialogPath).caption)) {
    const widgets::DialogControls controls = buildWindow(res::kDialogPath, *this);
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
    m_btnLegendLocal->setColor(kLocalColor);
    m_btnLegendRoute->setColor(kRouteColor);
    m_btnLegendTarget->setColor(kTargetColor);
    m_menu = new WindowMenu(*this, QStringLiteral("meshcfg-path"), [this] { return pathAsText(); });
}

// A line for the local node, one for each link with its value in dBm, one for the target.
QString CDialog_Net_Path::pathAsText() const {
    QStringList nodes;
    for (const CShapButton* badge : m_btnPath)
        if (!badge->isHidden()) nodes << badge->text();
    if (nodes.isEmpty()) return {};
    QString text = tr("local node\t%1\n").arg(nodes.first());
    for (qsizetype i = 0; i + 1 < nodes.size(); ++i) {
        const QLabel* value = m_linkValues[static_cast<std::size_t>(i)];
        text += tr("%1 -> %2\t%3 dBm\n")
                    .arg(nodes[i], nodes[i + 1], value->isHidden() ? QString() : value->text());
    }
    if (nodes.size() > 1) text += tr("target\t%1\n").arg(nodes.last());
    return text;
}

void CDialog_Net_Path::FillPathList(const QStringList& pathNodes, const QStringList& linkValues) {
    setWindowTitle(pathNodes.size() > 1 ? tr("%1 - to node %2").arg(m_caption, pathNodes.last())
                                        : m_caption);
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

}  // namespace display
