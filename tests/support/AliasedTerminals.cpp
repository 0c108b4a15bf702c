#include "AliasedTerminals.h"

std::string AliasedTerminals::named(std::string text) const {
    for (std::size_t at; (at = text.find("TTY")) != std::string::npos;)
        text.replace(at, 3, m_shared.slavePath());
    return text;
}

std::vector<std::string> AliasedTerminals::named(std::vector<std::string> names) const {
    for (std::string& name : names) name = named(std::move(name));
    return names;
}
