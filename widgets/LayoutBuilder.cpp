#include "LayoutBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <vector>

#include "ElidedField.h"
#include "QtText.h"
#include "TranslatedText.h"
#include "TypedSelection.h"

namespace widgets {

namespace {

using layout::ControlTemplate;
using layout::Kind;

// The closed height of a drop-down: the layout's height includes its list.
constexpr int kDropDownClosedHeight = 13;

QWidget* makeStandardWidget(const ControlTemplate& c, QWidget* parent) {
    switch (c.kind) {
        case Kind::GroupBox:
            return new QGroupBox(shownText(c.text), parent);
        case Kind::Static:
            return new QLabel(shownText(c.text), parent);
        case Kind::Icon: {
            auto* label = new QLabel(parent);
            label->setPixmap(QApplication::windowIcon().pixmap(32, 32));
            return label;
        }
        case Kind::Edit:
            return new QLineEdit(qtext(c.text), parent);
        case Kind::RichEdit: {
            auto* edit = new QTextEdit(parent);
            edit->setAcceptRichText(false);
            const bool readOnly = (c.style & layout::kReadOnly) != 0;
            // Only a field the user edits keeps what undo needs; a read-only one only grows.
            edit->setUndoRedoEnabled(!readOnly);
            edit->setTabChangesFocus(true);
            edit->setReadOnly(readOnly);
            // The vertical scroll bar style shows the bar when the text needs it.
            edit->setVerticalScrollBarPolicy((c.style & layout::kVScroll) ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
            return edit;
        }
        case Kind::DropDown: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            if (!c.items.empty()) {
                combo->addItems(qtext(c.items).split(u'|'));
                if (c.style & layout::kSorted) combo->model()->sort(0);
            }
            combo->setCurrentIndex(-1);
            // An entry longer than the field shows its start, where "COM<n>" is, and an
            // ellipsis for the rest.
            QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                             [combo] { combo->lineEdit()->setCursorPosition(0); });
            ElidedField::attach(*combo->lineEdit());
            TypedSelection::attach(*combo);
            return combo;
        }
        case Kind::PushButton: {
            auto* button = new QPushButton(shownText(c.text), parent);
            button->setAutoDefault(true);
            button->setDefault((c.style & layout::kDefaultButton) != 0);
            return button;
        }
        case Kind::CheckBox:
            return new QCheckBox(shownText(c.text), parent);
    }
    return nullptr;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_avgCharWidth = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    m_charHeight = metrics.height();
}

QRect DialogUnits::rect(int left, int top, int w, int h) const {
    return QRect(x(left), y(top), x(w), y(h));
}

QFont dialogFont(int points) {
    QFont font = QApplication::font();
    font.setPointSize(points);
    return font;
}

namespace {

// Static texts and check boxes show their whole text in the layout's width.
bool textFits(const ControlTemplate& c, const QWidget& widget, const DialogUnits& units) {
    if (c.kind != Kind::Static && c.kind != Kind::CheckBox) return true;
    if (c.style & layout::kHidden) return true;
    return widget.sizeHint().width() <= units.x(c.w);
}

}  // namespace

DialogControls buildDialog(const layout::DialogTemplate& t, QDialog& dialog,
                           const WidgetFactory& factory) {
    dialog.setWindowTitle(shownText(t.caption));
    dialog.setFont(dialogFont(t.fontPoints));

    std::vector<QWidget*> widgets;
    widgets.reserve(t.controls.size());
    for (const ControlTemplate& c : t.controls) {
        QWidget* widget = factory ? factory(c, &dialog) : nullptr;
        widgets.push_back(widget ? widget : makeStandardWidget(c, &dialog));
    }

    DialogUnits units(dialog.font());
    constexpr int kMostWidening = 16;
    for (int i = 0; i < kMostWidening; ++i) {
        bool allFit = true;
        for (std::size_t k = 0; k < widgets.size(); ++k)
            allFit = allFit && textFits(t.controls[k], *widgets[k], units);
        if (allFit) break;
        units.widen();
    }

    DialogControls controls;
    QWidget* previous = nullptr;
    for (std::size_t k = 0; k < widgets.size(); ++k) {
        const ControlTemplate& c = t.controls[k];
        QWidget* widget = widgets[k];
        widget->setObjectName(c.id == layout::kNoId ? QString() : QString::number(c.id));
        QRect geometry = units.rect(c.x, c.y, c.w, c.h);
        if (c.kind == Kind::DropDown) geometry.setHeight(units.y(kDropDownClosedHeight));
        widget->setGeometry(geometry);
        widget->setEnabled((c.style & layout::kDisabled) == 0);
        if (c.style & layout::kHidden) widget->hide();
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
        if (c.id != layout::kNoId) controls.insert(c.id, widget);
    }
    dialog.setFixedSize(units.x(t.width), units.y(t.height));
    return controls;
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

}  // namespace widgets
