#include "PortListJson.h"

#include "Text.h"

namespace reports {

Json portListJson(const PortDirectory& directory) {
    Json list = Json::array();
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
