#include "PortSurvey.h"

#include <thread>

#include "ModuleReading.h"

namespace survey {

mesh::Survey surveyPorts(const std::vector<ports::PortTarget>& ports,
                         const modlink::CommonOptions& link, std::stop_token stop, Asked asked) {
    mesh::Survey survey(ports.size());
    {
        std::vector<std::jthread> readers;
        readers.reserve(ports.size());
        for (std::size_t i = 0; i < ports.size(); ++i)
            readers.emplace_back([&, i] { survey[i] = readModule(ports[i], link, stop, asked); });
    }  // every reader joined
    return survey;
}

}  // namespace survey
