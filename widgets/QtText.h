#pragma once
// The system's texts are UTF-8 string views in toolkit-free code; widgets take QString.

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace widgets {

inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QStringList qtexts(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) list.append(QString::fromStdString(text));
    return list;
}

}  // namespace widgets
