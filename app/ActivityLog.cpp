#include "ActivityLog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

void ActivityLog::attach(QTextEdit* edit) {
    m_edit = edit;
    m_format = edit->currentCharFormat();
}

void ActivityLog::setColor(QRgb color) {
    m_format.setForeground(QColor::fromRgb(color));
    m_format.setFontPointSize(kLogPointSize);
    m_format.setFontWeight(QFont::Normal);
}

void ActivityLog::append(const QString& line) {
    QTextCursor end(m_edit->document());
    end.movePosition(QTextCursor::End);
    // One edit, so the shown log is laid out once per line rather than once per insertion.
    end.beginEditBlock();
    end.insertText(line, m_format);
    end.insertBlock(QTextBlockFormat(), m_format);
    end.endEditBlock();
    scrollToEndLater();
}

void ActivityLog::clear() {
    m_edit->clear();
}

void ActivityLog::copyAll() {
    m_edit->selectAll();
    QGuiApplication::clipboard()->setText(m_edit->toPlainText());
}

// The scroll is posted so a burst of lines is not slowed by it; one pending scroll serves
// every line appended before it runs.
void ActivityLog::scrollToEndLater() {
    if (m_scrollPending) return;
    m_scrollPending = true;
    QMetaObject::invokeMethod(
        m_edit,
        [this] {
            m_scrollPending = false;
            QScrollBar* bar = m_edit->verticalScrollBar();
            bar->setValue(bar->maximum());
        },
        Qt::QueuedConnection);
}
