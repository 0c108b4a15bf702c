#include "SiteModules.h"

#include "Interrupt.h"
#include "NamedPorts.h"
#include "PortDirectory.h"
#include "PortSurvey.h"
#include "UsbAdapters.h"

namespace meshsite {

mesh::Survey readModules(const meshplan::MeshFile& file, const CommonOptions& link,
                         survey::Asked asked) {
    const std::vector<meshplan::FoundPort> found = meshplan::findPorts(file);
    std::vector<std::string> ports;
    for (const meshplan::FoundPort& module : found)
        if (module.missing.empty()) ports.push_back(module.port);
    // A port entry and an adapter now plugged behind it, say.
    refuseRepeatedPorts(ports);
    const mesh::Survey read = survey::surveyPorts(ports, link, {}, asked);
    if (interrupted()) throw Interrupted(true);
    return meshplan::readingsOf(found, read);
}

std::vector<meshplan::ModuleReach> reachesOf(const std::vector<std::string>& ports) {
    const PortDirectory directory;
    std::vector<meshplan::ModuleReach> reaches;
    for (const std::string& port : ports) {
        const PortTarget target = directory.resolve(port);
        const auto usb = target.path.empty() ? std::nullopt : usbIdentity(target.path);
        const bool serialNamesIt = usb && ttyOfSerial(usb->serial).node.has_value();
        reaches.push_back(serialNamesIt ? meshplan::ModuleReach{"", usb->serial}
                                        : meshplan::ModuleReach{port, ""});
    }
    return reaches;
}

}  // namespace meshsite
