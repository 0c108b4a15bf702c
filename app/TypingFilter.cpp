#include "TypingFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "KeyCharacters.h"
#include "SystemBeep.h"

namespace app {

namespace {

// Control characters (backspace, the Ctrl shortcuts) are edit commands, not text.
bool isPrintable(QChar c) {
    return c.unicode() >= 0x20 && c.unicode() != 0x7F;
}

}  // namespace

void TypingFilter::bind(QWidget* edit) {
    edit->installEventFilter(this);
}

bool TypingFilter::refuses(const QObject* field, const QString& typed) const {
    qsizetype printable = 0;
    for (QChar c : typed) {
        if (!isPrintable(c)) continue;
        if (m_digitsOnly && (c < u'0' || c > u'9')) return true;
        ++printable;
    }
    const auto* line = qobject_cast<const QLineEdit*>(field);
    if (m_limit <= 0 || printable == 0 || !line) return false;
    const qsizetype kept = line->text().size() - line->selectedText().size();
    return kept + printable > m_limit;
}

bool TypingFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const QString typed = widgets::typedCharacters(watched, *static_cast<QKeyEvent*>(event));
    if (!refuses(watched, typed)) return false;
    widgets::systemBeep();
    return true;
}

}  // namespace app
