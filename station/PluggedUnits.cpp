#include "PluggedUnits.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "PortNames.h"
#include "UsbAdapters.h"

namespace station {

namespace fs = std::filesystem;

namespace {

bool isHexId(std::string_view text) {
    return text.size() == 4 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
}

std::string lower(std::string_view text) {
    std::string low(text);
    std::transform(low.begin(), low.end(), low.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return low;
}

}  // namespace

std::optional<AdapterModel> AdapterModel::parse(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view vendor = text.substr(0, colon);
    const std::string_view product = text.substr(colon + 1);
    if (!isHexId(vendor) || !isHexId(product)) return std::nullopt;
    return AdapterModel{lower(vendor), lower(product)};
}

std::vector<PluggedUnit> pluggedAliases() {
    std::vector<PluggedUnit> units;
    if (!ports::aliasDirectoryProblem().empty()) return units;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(ports::aliasDirectory(), error)) {
        const std::string name = entry.path().filename().string();
        if (!ports::looksLikeComName(name)) continue;
        std::error_code linkError;
        const fs::path device = fs::canonical(entry.path(), linkError);
        struct stat alias {};
        if (linkError || ::lstat(entry.path().c_str(), &alias) != 0) continue;
        const std::int64_t made =
            std::int64_t{alias.st_ctim.tv_sec} * 1'000'000'000 + alias.st_ctim.tv_nsec;
        units.push_back({name, device.string(), made});
    }
    std::sort(units.begin(), units.end());
    // Two aliases of one terminal are one module: the first name takes it.
    std::set<std::string> devices;
    std::erase_if(units,
                  [&](const PluggedUnit& unit) { return !devices.insert(unit.device).second; });
    return units;
}

std::vector<PluggedUnit> pluggedAdapters(const AdapterModel& model) {
    std::vector<PluggedUnit> units;
    for (std::string& node : ports::ttysOfModel(model.vendorId, model.productId))
        units.push_back({node, node});
    return units;
}

}  // namespace station
