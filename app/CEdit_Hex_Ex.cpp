#include "CEdit_Hex_Ex.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>

#include "KeyCharacters.h"
#include "SystemBeep.h"

void CEdit_Hex_Ex::bind(QWidget* edit) {
    edit->installEventFilter(this);
}

bool CEdit_Hex_Ex::accepts(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') ||
           c == u'\b' || c == u' ';
}

bool CEdit_Hex_Ex::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const QString typed = typedCharacters(watched, *static_cast<QKeyEvent*>(event));
    for (QChar c : typed) {
        if (!accepts(c.unicode())) {
            systemBeep();
            return true;
        }
    }
    return false;
}
