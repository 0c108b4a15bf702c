#include "RouteWindow.h"

#include <QDialog>

#include "CShapButton.h"
#include "QtText.h"

namespace route {

namespace {

QWidget* makeBadge(const layout::ControlTemplate& control, QWidget* parent) {
    if (control.kind != layout::Kind::PushButton) return nullptr;
    return new CShapButton(qtext(control.text), parent);
}

}  // namespace

DialogControls buildWindow(int templateId, QDialog& window) {
    window.setModal(false);
    DialogControls controls = buildDialog(layout::dialogTemplate(templateId), window, makeBadge);
    centreOnScreen(window);
    return controls;
}

void showWindow(QDialog& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
}

}  // namespace route
