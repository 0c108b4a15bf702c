#pragma once
// The path window: a horizontal chain of up to nine node badges, local node first and target
// last, with a link mark and the link's value between neighbours. Every control comes from the
// layout; a fill only shows, hides, colours and labels them.

#include <QDialog>
#include <QStringList>
#include <array>

#include "ResourceIds.h"

class QLabel;

namespace display {

class CShapButton;
class WindowMenu;

class CDialog_Net_Path : public QDialog {
    Q_OBJECT

  public:
    explicit CDialog_Net_Path(QWidget* parent = nullptr);

    // pathNodes: local node, the nodes along the path, the target last; linkValues[i] belongs
    // to the link from node i to node i + 1. Nodes past the ninth are not shown, nor a value
    // label without its value.
    // The title names the target once the path has one.
    void FillPathList(const QStringList& pathNodes, const QStringList& linkValues);

    // The background menu: the path with its link values as text, the window as PNG.
    WindowMenu& menu() const { return *m_menu; }
    QString pathAsText() const;

  private:
    std::array<CShapButton*, res::kPathBadgeCount> m_btnPath{};
    CShapButton* m_btnLegendLocal = nullptr;
    CShapButton* m_btnLegendRoute = nullptr;
    CShapButton* m_btnLegendTarget = nullptr;
    std::array<QLabel*, res::kLinkCount> m_linkMarks{};
    std::array<QLabel*, res::kLinkCount> m_linkValues{};
    const QString m_caption;  // the layout's, before a target is named
    WindowMenu* m_menu = nullptr;
};

}  // namespace display
