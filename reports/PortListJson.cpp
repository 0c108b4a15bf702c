#include "PortListJson.h"

#include "Text.h"

namespace reports {

modlink::Json portListJson(const PortDirectory& directory) {
    modlink::Json list = modlink::Json::array();
    for (const ListedPort& listed : directory.listed()) {
        const PortEntry entry = directory.entry(listed.port);
        list.push_back({{"port", entry.name},
                        {"device", entry.device},
                        {"adapter", forms::joined(entry.adapter, ", ")},
                        {"url", entry.url},
                        {"permission", listed.availability == PortAvailability::kFree}});
    }
    return list;
}

}  // namespace reports
