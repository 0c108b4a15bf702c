#include "CAboutDlg.h"

#include <QPushButton>

#include "LayoutBuilder.h"
#include "ResourceIds.h"

namespace app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const widgets::DialogControls controls =
        widgets::buildDialog(layout::dialogTemplate(res::kDialogAbout), *this);
    connect(controls.get<QPushButton>(res::kIdOk), &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace app
