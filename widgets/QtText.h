#pragma once
// The system's texts are UTF-8 string views in toolkit-free code; widgets take QString.

#include <QString>
#include <string_view>

inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
