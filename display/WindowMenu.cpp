#include "WindowMenu.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>

namespace display {

WindowMenu::WindowMenu(QDialog& window, QString name, std::function<QString()> asText)
    : QObject(&window),
      m_window(window),
      m_name(std::move(name)),
      m_asText(std::move(asText)),
      m_chooseSaveFile([](QWidget* parent, const QString& suggested) {
          return QFileDialog::getSaveFileName(parent, tr("Save as PNG"), suggested,
                                              tr("PNG image (*.png)"));
      }) {
    m_menu = new QMenu(&window);
    connect(m_menu->addAction(tr("Copy as text")), &QAction::triggered, this,
            &WindowMenu::copyAsText);
    connect(m_menu->addAction(tr("Save as PNG")), &QAction::triggered, this,
            &WindowMenu::saveAsPng);
    window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&window, &QWidget::customContextMenuRequested, this,
            [this] { m_menu->popup(QCursor::pos()); });
}

void WindowMenu::copyAsText() {
    QApplication::clipboard()->setText(m_asText());
}

// Written whole through a temporary file, or not at all.
void WindowMenu::saveAsPng() {
    const QString suggested = QDir::home().filePath(
        m_name + QDateTime::currentDateTime().toString(QStringLiteral("'-'yyyyMMdd-HHmmss'.png'")));
    const QString path = m_chooseSaveFile(&m_window, suggested);
    if (path.isEmpty()) return;
    QSaveFile file(path);
    const bool saved =
        file.open(QIODevice::WriteOnly) && m_window.grab().save(&file, "PNG") && file.commit();
    if (saved) return;
    auto* box = new QMessageBox(
        QMessageBox::Warning, m_window.windowTitle(),
        tr("The picture could not be saved to %1: %2").arg(path, file.errorString()),
        QMessageBox::Ok, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace display
