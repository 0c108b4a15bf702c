#include "CAboutDlg.h"

#include <QPushButton>

#include "LayoutBuilder.h"
#include "ResourceIds.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const DialogControls controls = buildDialog(layout::dialogTemplate(res::kDialogAbout), *this);
    connect(controls.get<QPushButton>(res::kIdOk), &QPushButton::clicked, this, &QDialog::accept);
}
