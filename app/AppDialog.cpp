#include "AppDialog.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "CAboutDlg.h"
#include "LayoutBuilder.h"
#include "ResourceIds.h"
#include "TranslatedText.h"

AppDialog::AppDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &AppDialog::showAbout);
}

void AppDialog::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

bool AppDialog::event(QEvent* event) {
    if (event->type() == QEvent::Show) centreOnScreen(*this);
    return QDialog::event(event);
}

void AppDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window menu belongs to the window manager, so the about item lives in a menu of the
// window's background.
void AppDialog::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(shownText(res::kAboutItemText)), &QAction::triggered, this,
            &AppDialog::showAbout);
    menu->popup(event->globalPos());
}
