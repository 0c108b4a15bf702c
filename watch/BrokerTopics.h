#pragma once
// The watcher's topics on a broker, all under meshcfg/<site>/ (a site holds no '/', '+' or '#'):
//   node/<network>/<node>/state   "up" or "down", retained
//   event                         each event as one JSON object
//   survey                        each survey with every node's state, as /mesh.json serves it
//   watcher                       "online", retained; "offline" when it ends or dies (its will)

#include <cstdint>
#include <map>
#include <string>

#include "Mesh.h"

namespace watch {

std::string nodeStateTopic(const std::string& site, std::uint16_t network, std::uint16_t node);
std::string eventTopic(const std::string& site);
std::string surveyTopic(const std::string& site);
std::string watcherTopic(const std::string& site);

inline constexpr std::string_view kWatcherOnline = "online";
inline constexpr std::string_view kWatcherOffline = "offline";

// The network id of each node of the survey: its own module's setup, else that of the first
// module whose route list reaches it.
std::map<std::uint16_t, std::uint16_t> nodeNetworks(const mesh::Mesh& mesh);

}  // namespace watch
