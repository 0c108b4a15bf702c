#include "KeyCharacters.h"

#include <QKeyEvent>
#include <QTextEdit>

namespace widgets {

QString typedCharacters(const QObject* field, const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Delete:
            return {};
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A multi-line field takes Enter as a character; a single-line one leaves it to the
            // dialog.
            return qobject_cast<const QTextEdit*>(field) ? QStringLiteral("\r") : QString();
        default:
            return key.text();
    }
}

}  // namespace widgets
