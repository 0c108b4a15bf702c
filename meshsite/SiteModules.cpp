#include "SiteModules.h"

#include "Interrupt.h"
#include "NamedPorts.h"
#include "PortDirectory.h"
#include "PortSurvey.h"
#include "UsbAdapters.h"

namespace meshsite {

mesh::Survey readModules(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                         const ports::PortDirectory& directory, survey::Asked asked) {
    const std::vector<meshplan::FoundPort> found = meshplan::findPorts(file);
    std::vector<std::string> ports;
    for (const meshplan::FoundPort& module : found)
        if (module.missing.empty()) ports.push_back(module.port);
    // A port entry and an adapter now plugged behind it, say.
    station::refuseRepeatedPorts(ports, directory);
    const mesh::Survey read = survey::surveyPorts(directory.resolve(ports), link, {}, asked);
    if (modlink::interrupted()) throw modlink::Interrupted(true);
    return meshplan::readingsOf(found, read);
}

std::vector<meshplan::ModuleReach> reachesOf(const std::vector<ports::PortTarget>& ports) {
    std::vector<meshplan::ModuleReach> reaches;
    for (const ports::PortTarget& target : ports) {
        const auto usb = target.path.empty() ? std::nullopt : ports::usbIdentity(target.path);
        const bool serialNamesIt = usb && ports::ttyOfSerial(usb->serial).node.has_value();
        reaches.push_back(serialNamesIt ? meshplan::ModuleReach{"", usb->serial}
                                        : meshplan::ModuleReach{target.name, ""});
    }
    return reaches;
}

}  // namespace meshsite
