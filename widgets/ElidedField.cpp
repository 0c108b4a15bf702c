#include "ElidedField.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace widgets {

namespace {

// The gap a field keeps between its edge and its text.
constexpr int kTextGap = 2;

}  // namespace

ElidedField::ElidedField(QLineEdit& field) : QObject(&field), m_field(field) {
    field.installEventFilter(this);
}

void ElidedField::attach(QLineEdit& field) {
    new ElidedField(field);
}

QRect ElidedField::textArea(const QLineEdit& field) {
    QStyleOptionFrame option;
    option.initFrom(&field);
    const QRect contents =
        field.style()->subElementRect(QStyle::SE_LineEditContents, &option, &field);
    return contents.marginsRemoved(field.textMargins()).adjusted(kTextGap, 0, -kTextGap, 0);
}

QString ElidedField::visibleText(const QLineEdit& field) {
    return field.fontMetrics().elidedText(field.text(), Qt::ElideRight, textArea(field).width());
}

bool ElidedField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_field || event->type() != QEvent::Paint || m_field.hasFocus()) return false;
    const QString shown = visibleText(m_field);
    if (shown == m_field.text()) return false;
    QPainter painter(&m_field);
    painter.fillRect(m_field.rect(), m_field.palette().brush(QPalette::Base));
    painter.setPen(m_field.palette().color(QPalette::Text));
    painter.drawText(textArea(m_field), Qt::AlignLeft | Qt::AlignVCenter, shown);
    return true;
}

}  // namespace widgets
