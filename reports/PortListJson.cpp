#include "PortListJson.h"

#include "Text.h"

namespace reports {

modlink::Json portListJson(const ports::PortDirectory& directory) {
    modlink::Json list = modlink::Json::array();
    for (const ports::ListedPort& listed : directory.listed()) {
        const ports::PortEntry entry = directory.entry(listed.port);
        list.push_back({{"port", entry.name},
                        {"device", entry.device},
                        {"adapter", forms::joined(entry.adapter, ", ")},
                        {"url", entry.url},
                        {"permission", listed.availability == ports::PortAvailability::kFree}});
    }
    return list;
}

}  // namespace reports
