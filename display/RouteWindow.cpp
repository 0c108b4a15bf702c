#include "RouteWindow.h"

#include <QDialog>

#include "CShapButton.h"
#include "QtText.h"

namespace display {

namespace {

QWidget* makeBadge(const layout::ControlTemplate& control, QWidget* parent) {
    if (control.kind != layout::Kind::PushButton) return nullptr;
    return new CShapButton(widgets::qtext(control.text), parent);
}

}  // namespace

widgets::DialogControls buildWindow(int templateId, QDialog& window) {
    window.setModal(false);
    widgets::DialogControls controls =
        widgets::buildDialog(layout::dialogTemplate(templateId), window, makeBadge);
    widgets::centreOnScreen(window);
    return controls;
}

void showWindow(QDialog& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
}

}  // namespace display
