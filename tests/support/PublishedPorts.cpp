#include "PublishedPorts.h"

#include "PortNames.h"

PublishedPorts::PublishedPorts(const mesh::Survey& survey) {
    for (const mesh::SurveyedPort& port : survey) {
        const auto number = ports::portNumberOf(port.port);
        if (!number) continue;
        m_aliases.emplace_back(*number, m_terminals.emplace_back().slavePath());
    }
}
