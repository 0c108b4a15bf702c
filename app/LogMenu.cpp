#include "LogMenu.h"

#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

#include "ActivityLog.h"
#include "LogFile.h"
#include "ResourceIds.h"
#include "TranslatedText.h"

namespace app {

LogMenu::LogMenu(ActivityLog& log, QWidget& window)
    : m_log(log), m_window(window), m_chooseSaveFile([](QWidget* parent, const QString& suggested) {
          return QFileDialog::getSaveFileName(
              parent, widgets::shownText(res::kSaveAllText), suggested,
              QObject::tr("Log (*.log);;CSV (*.csv);;All files (*)"));
      }) {}

void LogMenu::popup() {
    if (!m_menu) {
        m_menu = new QMenu(widgets::shownText(res::kLogMenuTitle), &m_window);
        QObject::connect(m_menu->addAction(widgets::shownText(res::kCopyAllText)),
                         &QAction::triggered, [this] { copyAll(); });
        QObject::connect(m_menu->addAction(widgets::shownText(res::kClearAllText)),
                         &QAction::triggered, [this] { clearAll(); });
        QObject::connect(m_menu->addAction(widgets::shownText(res::kSaveAllText)),
                         &QAction::triggered, [this] { saveAll(); });
    }
    m_menu->popup(QCursor::pos());
}

void LogMenu::copyAll() {
    m_log.copyAll();
}

void LogMenu::clearAll() {
    m_log.clear();
}

void LogMenu::saveAll() {
    const QString suggested = QDir::home().filePath(
        QDateTime::currentDateTime().toString(QStringLiteral("'meshcfg-'yyyyMMdd-HHmmss'.log'")));
    const QString path = m_chooseSaveFile(&m_window, suggested);
    if (path.isEmpty()) return;
    const QString reason = saveLog(m_log.lines(), path);
    if (reason.isEmpty()) return;
    auto* box =
        new QMessageBox(QMessageBox::Warning, m_window.windowTitle(),
                        QObject::tr("The log could not be saved to %1: %2").arg(path, reason),
                        QMessageBox::Ok, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace app
