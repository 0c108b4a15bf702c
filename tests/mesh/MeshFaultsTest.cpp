#include <gtest/gtest.h>

#include "MeshFaults.h"
#include "Surveys.h"

namespace mesh {

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << faultKindName(fault.kind) << " \"" << fault.text << "\" ports";
    for (const auto& port : fault.ports) *out << ' ' << port;
    *out << " nodes";
    for (const auto node : fault.nodes) *out << ' ' << node;
    *out << " links";
    for (const auto& link : fault.links) *out << ' ' << link.from << '>' << link.to;
}

namespace {

using namespace mesh::test;

struct FaultCase {
    std::string name;
    Survey survey;
    SharedSettings expected;
    std::vector<Fault> faults;
};

void PrintTo(const FaultCase& row, std::ostream* out) {
    *out << row.name;
}

class FaultsOfMesh : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultsOfMesh, OnePerFindingMostSeriousFirst) {
    EXPECT_EQ(findFaults(GetParam().survey, GetParam().expected), GetParam().faults);
}

using K = FaultKind;

SurveyedPort withFrequency(SurveyedPort port, std::uint32_t reg) {
    return changed(std::move(port), [&](ModuleAnswers& a) { a.setup->frequencyRegister = reg; });
}

SurveyedPort withLifeCycle(SurveyedPort port, std::uint8_t code) {
    return changed(std::move(port), [&](ModuleAnswers& a) { a.setup->lifeCycleCode = code; });
}

// Forty routes through node 100: the list is full and may have left others out.
std::vector<proto::RouteEntry> fullList() {
    std::vector<proto::RouteEntry> routes;
    for (std::uint16_t target = 100; routes.size() < proto::kRouteSlots; ++target)
        routes.push_back({target, 100});
    return routes;
}

INSTANTIATE_TEST_SUITE_P(
    Surveys, FaultsOfMesh,
    testing::Values(
        FaultCase{"healthy", chain(), {}, {}},
        FaultCase{"mesh_of_one", {answered("COM200", 1, {})}, {}, {}},
        FaultCase{"one_id_twice",
                  chainAnd({answered("COM203", 2, {{1, 1}, {3, 3}})}),
                  {},
                  {{K::DuplicateNodeId,
                    "node 2 answers on COM201 and COM203",
                    {"COM201", "COM203"},
                    {2}}}},
        FaultCase{"no_node_id",
                  chainAnd({answered("COM203", proto::kEmptyNode, {})}),
                  {},
                  {{K::NoNodeId, "COM203 holds node id 65535, which names no node", {"COM203"}}}},
        // The cause first, then what it breaks.
        FaultCase{"network_id",
                  chainAnd({onNetwork(answered("COM203", 4, {}), 2)}),
                  {},
                  {{K::NetworkIdDiffers,
                    "COM203 (node 4) has network id 2, the rest of the mesh 1",
                    {"COM203"},
                    {4}},
                   {K::Isolated,
                    "COM203 (node 4) reaches no node, and no module reaches it",
                    {"COM203"},
                    {4}}}},
        FaultCase{"frequency",
                  {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {{1, 1}}),
                   withFrequency(answered("COM202", 3, {{1, 1}}), kOtherFrequency)},
                  {},
                  {{K::FrequencyDiffers,
                    "COM202 (node 3) has frequency 433.00 MHz, the rest of the mesh 434.00 MHz",
                    {"COM202"},
                    {3}},
                   {K::Unreachable, "no module reaches COM202 (node 3)", {"COM202"}, {3}},
                   {K::OneWayRoute,
                    "COM202 (node 3) reaches COM200 (node 1), which has no route back",
                    {"COM202", "COM200"},
                    {3, 1},
                    {{3, 1}}}}},
        // Registers a few steps apart read as one frequency, as the window shows it.
        FaultCase{"frequency_of_one_channel",
                  {answered("COM200", 1, {{2, 2}, {3, 3}}), answered("COM201", 2, {{1, 1}, {3, 3}}),
                   withFrequency(answered("COM202", 3, {{1, 1}, {2, 2}}), kMeshFrequency - 18)},
                  {.frequencyRegister = kMeshFrequency + 18},
                  {}},
        // Life cycles 1h, 6h and an unlisted code, one module each: no value is most held.
        FaultCase{"life_cycle",
                  {answered("COM200", 1, {{2, 2}, {3, 2}}),
                   withLifeCycle(answered("COM201", 2, {{1, 1}, {3, 3}}), 5),
                   withLifeCycle(answered("COM202", 3, {{1, 2}, {2, 2}}), 30)},
                  {},
                  {{K::LifeCycleDiffers,
                    "no life cycle is held by most modules: 1h on COM200 (node 1); 6h on COM201 "
                    "(node 2); code 30 on COM202 (node 3)",
                    {"COM200", "COM201", "COM202"},
                    {1, 2, 3}}}},
        // Where two values are held by as many modules, the split is one fault.
        FaultCase{"even_split",
                  {answered("COM200", 1, {{2, 2}}), onNetwork(answered("COM201", 2, {{1, 1}}), 2)},
                  {},
                  {{K::NetworkIdDiffers,
                    "no network id is held by most modules: 1 on COM200 (node 1); 2 on COM201 "
                    "(node 2)",
                    {"COM200", "COM201"},
                    {1, 2}}}},
        // A profile's value holds over the most held one.
        FaultCase{"profile",
                  {answered("COM200", 1, {{2, 2}, {3, 3}}),
                   onNetwork(answered("COM201", 2, {{1, 1}, {3, 3}}), 2),
                   onNetwork(answered("COM202", 3, {{1, 1}, {2, 2}}), 2)},
                  {.networkId = 1, .lifeCycleCode = 0},
                  {{K::NetworkIdDiffers,
                    "COM201 (node 2) has network id 2, the profile 1",
                    {"COM201"},
                    {2}},
                   {K::NetworkIdDiffers,
                    "COM202 (node 3) has network id 2, the profile 1",
                    {"COM202"},
                    {3}}}},
        FaultCase{"reaches_none",
                  {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {})},
                  {},
                  {{K::Unreachable, "no module reaches COM200 (node 1)", {"COM200"}, {1}},
                   {K::ReachesNone, "COM201 (node 2) reaches no node", {"COM201"}, {2}},
                   {K::OneWayRoute,
                    "COM200 (node 1) reaches COM201 (node 2), which has no route back",
                    {"COM200", "COM201"},
                    {1, 2},
                    {{1, 2}}}}},
        FaultCase{"port_failed",
                  chainAnd({failed("COM209", "no reply within 2 s")}),
                  {},
                  {{K::PortFailed, "COM209: no reply within 2 s", {"COM209"}}}},
        // What a module left unanswered is unknown: its route list counts for nothing.
        FaultCase{"missing_reply",
                  {answered("COM200", 1, {{2, 2}, {3, 2}}), answered("COM201", 2, {{1, 1}, {3, 3}}),
                   changed(answered("COM202", 3, {}),
                           [](ModuleAnswers& a) {
                               a.routes.reset();
                               a.path.reset();
                           })},
                  {},
                  {{K::MissingReply,
                    "COM202 (node 3) did not answer the route list and path requests",
                    {"COM202"},
                    {3}}}},
        FaultCase{"route_through_unreached_hop",
                  chainAnd({answered("COM203", 4, {{1, 1}, {8, 9}, {7, 9}})}),
                  {},
                  {{K::Unreachable, "no module reaches COM203 (node 4)", {"COM203"}, {4}},
                   {K::RouteThroughUnreachable,
                    "COM203 (node 4) routes to 8 and 7 through node 9, which no module reaches",
                    {"COM203"},
                    {4, 9},
                    {{4, 9}}},
                   {K::OneWayRoute,
                    "COM203 (node 4) reaches COM200 (node 1), which has no route back",
                    {"COM203", "COM200"},
                    {4, 1},
                    {{4, 1}}}}},
        // The last path's relays count, its target does not.
        FaultCase{"path_through_unreached_relay",
                  {answered("COM200", 1, {{2, 2}}, {{8, 50}, {2, 60}, {9, 70}}),
                   answered("COM201", 2, {{1, 1}})},
                  {},
                  {{K::RouteThroughUnreachable,
                    "the last path of COM200 (node 1), to node 9, runs through node 8, which no "
                    "module reaches",
                    {"COM200"},
                    {1, 8},
                    {{1, 8}, {8, 2}}}}},
        FaultCase{"one_way_route",
                  {answered("COM200", 1, {{2, 2}, {3, 2}}), answered("COM201", 2, {{1, 1}, {3, 3}}),
                   answered("COM202", 3, {{2, 2}})},
                  {},
                  {{K::OneWayRoute,
                    "COM200 (node 1) reaches COM202 (node 3), which has no route back",
                    {"COM200", "COM202"},
                    {1, 3},
                    {{1, 3}}}}},
        // A full route list may name no more: it leaves nothing unreached and no route one way.
        FaultCase{"full_route_list",
                  {answered("COM200", 1, fullList()), answered("COM201", 2, {{1, 1}})},
                  {},
                  {}}),
    rowName);

TEST(FaultKindName, NamesEveryKindApart) {
    std::set<std::string_view> names;
    for (int kind = 0; kind <= static_cast<int>(FaultKind::DriftsFromFile); ++kind)
        names.insert(faultKindName(static_cast<FaultKind>(kind)));
    EXPECT_EQ(names.size(), static_cast<std::size_t>(FaultKind::DriftsFromFile) + 1);
    EXPECT_EQ(faultKindName(FaultKind::NetworkIdDiffers), "network_id_differs");
}

}  // namespace
}  // namespace mesh
