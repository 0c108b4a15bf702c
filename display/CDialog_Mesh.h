#pragma once
// The route list window: the local node at the left, one row per route entry with its route
// node and the target node reached through it, drawn on a scrolling surface below the legend.

#include <QDialog>
#include <QStringList>
#include <memory>
#include <vector>

namespace display {

class CDrawView;
class CShapButton;
class WindowMenu;

class CDialog_Mesh : public QDialog {
    Q_OBJECT

  public:
    explicit CDialog_Mesh(QWidget* parent = nullptr);
    ~CDialog_Mesh() override;

    // Removes the badges of the last fill; the legend and the surface stay.
    void ClearRouteList();

    // Row i: route node routeNodes[i] and target node targetNodes[i]; rows without both are
    // left out.
    void FillRouteList(const QStringList& routeNodes, const QStringList& targetNodes,
                       QString localNode);

    CDrawView* view() const { return m_pView; }
    // The background menu: the rows as text ("target<TAB>route node"), the window as PNG.
    WindowMenu& menu() const { return *m_menu; }
    QString routesAsText() const;
    int rowCount() const { return static_cast<int>(m_pRouteBadges.size()); }

  private:
    std::unique_ptr<CShapButton> createBadge(const QString& text, const QRect& rect, int id,
                                             QRgb color) const;

    CShapButton* m_btnLocal = nullptr;
    CShapButton* m_btnRoute = nullptr;
    CShapButton* m_btnTarget = nullptr;
    CDrawView* m_pView = nullptr;
    std::unique_ptr<CShapButton> m_pLocalBadge;
    std::vector<std::unique_ptr<CShapButton>> m_pRouteBadges;
    std::vector<std::unique_ptr<CShapButton>> m_pTargetBadges;
    WindowMenu* m_menu = nullptr;
};

}  // namespace display
