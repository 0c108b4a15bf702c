#include "AppDialog.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>

#include "CAboutDlg.h"
#include "LayoutBuilder.h"
#include "ResourceIds.h"
#include "TranslatedText.h"

namespace app {

namespace {

constexpr auto kMeshProgram = "meshcfg-mesh";

bool startDetached(const QString& program) {
    return QProcess::startDetached(program, {});
}

}  // namespace

AppDialog::AppDialog(QWidget* parent) : QDialog(parent), m_startProgram(startDetached) {
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

void AppDialog::startMeshMap() {
    const QString program =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kMeshProgram));
    if (m_startProgram(program)) return;
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                tr("%1 could not be started.").arg(program), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool AppDialog::event(QEvent* event) {
    if (event->type() == QEvent::Show) widgets::centreOnScreen(*this);
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
// window's background, and beside it the way to the mesh window.
void AppDialog::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(widgets::shownText(res::kAboutItemText)), &QAction::triggered, this,
            &AppDialog::showAbout);
    connect(menu->addAction(tr("Mesh map...")), &QAction::triggered, this,
            &AppDialog::startMeshMap);
    menu->popup(event->globalPos());
}

}  // namespace app
