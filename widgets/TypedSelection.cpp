#include "TypedSelection.h"

#include <QComboBox>
#include <QLineEdit>

namespace widgets {

void TypedSelection::attach(QComboBox& list) {
    new TypedSelection(list);
}

TypedSelection::TypedSelection(QComboBox& list) : QObject(&list), m_list(list) {
    // An inline completion would show an entry the user did not type.
    m_list.setCompleter(nullptr);
    connect(m_list.lineEdit(), &QLineEdit::textEdited, this, &TypedSelection::follow);
}

int TypedSelection::entryNamedBy(const QComboBox& list, const QString& text) {
    if (text.isEmpty()) return -1;
    const QString named = text + QStringLiteral(" (");
    for (int i = 0; i < list.count(); ++i) {
        const QString entry = list.itemText(i);
        if (entry == text || entry.startsWith(named)) return i;
    }
    return -1;
}

void TypedSelection::follow(const QString& text) {
    const int entry = entryNamedBy(m_list, text);
    if (entry == m_list.currentIndex()) return;
    QLineEdit* field = m_list.lineEdit();
    const int cursor = field->cursorPosition();
    m_list.setCurrentIndex(entry);  // sets the field to the entry's text, or clears it
    field->setText(text);
    field->setCursorPosition(cursor);
}

}  // namespace widgets
