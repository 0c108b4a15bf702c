#include "NetworkLink.h"
#include "ProgramModule.h"

namespace serial {

NetworkLink::Connected NetworkLink::connect(const ports::NetworkAddress& address,
                                            const proto::LineSettings& settings,
                                            std::chrono::milliseconds timeout) {
    static const modules::ModuleEntry module =
        modules::loadModuleEntry(kNetworkModule, kNetworkEntry, "ports across the network");
    if (!module.address) return {nullptr, {}, module.error};
    auto* connector = reinterpret_cast<NetworkConnectorEntry>(module.address)();
    Connected connected = connector->connect(address, settings, timeout);
    connected.line = settings;
    return connected;
}

}  // namespace serial
