#include "CEdit_Hex_Ex.h"

#include <QKeyEvent>
#include <QTextEdit>

#include "KeyCharacters.h"
#include "SystemBeep.h"

namespace app {

namespace {

// The multi-line data field performs the edit shortcuts on the key itself, as a rich-text
// control does, before any character arrives; a paste that way is not filtered.
bool isMultiLineShortcut(const QObject* field, const QKeyEvent& key) {
    if (!qobject_cast<const QTextEdit*>(field) || key.modifiers() != Qt::ControlModifier)
        return false;
    switch (key.key()) {
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_X:
        case Qt::Key_Z:
        case Qt::Key_A:
            return true;
        default:
            return false;
    }
}

}  // namespace

void CEdit_Hex_Ex::bind(QWidget* edit) {
    edit->installEventFilter(this);
}

bool CEdit_Hex_Ex::accepts(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') ||
           c == u'\b' || c == u' ';
}

bool CEdit_Hex_Ex::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (isMultiLineShortcut(watched, key)) return false;
    const QString typed = widgets::typedCharacters(watched, key);
    for (QChar c : typed) {
        if (!accepts(c.unicode())) {
            widgets::systemBeep();
            return true;
        }
    }
    return false;
}

}  // namespace app
