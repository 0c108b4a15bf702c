#pragma once
// A layout's or menu's text as the user's language shows it (the translations installed by
// Translations); one the translations do not name is shown as it is.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <string_view>

#include "ShownText.h"

namespace widgets {

inline QString shownText(std::string_view source) {
    const QByteArray text(source.data(), static_cast<qsizetype>(source.size()));
    return QCoreApplication::translate(SHOWN_TEXT_CONTEXT, text.constData());
}

}  // namespace widgets
