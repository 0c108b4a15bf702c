// The surveyed mesh as JSON and read back, as a followed map reads a watcher's: each module's
// settings, route list and path come back as the survey read them, or not at all.

#include <gtest/gtest.h>

#include "MeshJson.h"

namespace {

using Document = nlohmann::ordered_json;

const proto::Setup kSetup{.frequencyRegister = 0x6C8012,
                          .powerCode = 5,
                          .lifeCycleCode = 2,
                          .networkId = 0x1234,
                          .nodeId = 7,
                          .uartRateCode = 3,
                          .parityCode = 0};

mesh::Mesh surveyedModule() {
    proto::RouteListReply routes{.localNode = 7};
    routes.entries[0] = proto::RouteEntry{9, 8};
    routes.entries[1] = proto::RouteEntry{8, 8};
    const proto::PathReply path{.localNode = 7, .hops = {{8, 40}, {9, 255}}};
    return mesh::assessMesh(
        {{"COM207", mesh::ModuleAnswers{.setup = kSetup, .routes = routes, .path = path}}});
}

const mesh::ModuleAnswers& answersRead(const Document& document) {
    static mesh::Mesh read;
    read = reports::meshFromJson(document);
    return *reports::answersOf(read.survey.at(0));
}

TEST(MeshJson, SettingsRoutesAndPathComeBackAsSurveyed) {
    const mesh::Mesh surveyed = surveyedModule();
    const mesh::ModuleAnswers& read = answersRead(reports::meshJson(surveyed));
    const mesh::ModuleAnswers& asked = *reports::answersOf(surveyed.survey.at(0));
    EXPECT_EQ(read.setup, asked.setup);
    EXPECT_EQ(read.routes, asked.routes);
    EXPECT_EQ(read.path, asked.path);
}

// A path longer than a module's reply can hold is not one; a link value no byte holds makes
// the document a lie, refused whole.
TEST(MeshJson, PathThatNoModuleSaidIsNotTaken) {
    Document document = reports::meshJson(surveyedModule());
    Document& path = document["nodes"][0]["path"];
    while (path.size() <= proto::kPathSlots) path.push_back(path[0]);
    EXPECT_FALSE(answersRead(document).path.has_value());
    EXPECT_TRUE(answersRead(document).routes.has_value());

    document = reports::meshJson(surveyedModule());
    document["nodes"][0]["path"][0]["link_value"] = 256;
    EXPECT_THROW(reports::meshFromJson(document), std::exception);
}

// A setup is shown whole or not at all: one setting missing, unknown or out of its field
// leaves the module without one, rather than with a value it never said.
TEST(MeshJson, SettingsNotWholeAreNotGuessed) {
    const struct {
        const char* tag;
        const char* key;
        Document value;  // null: the key taken out
    } cases[] = {
        {"power unknown", "power", nullptr},
        {"power out of its field", "power", 99},
        {"parity not a word the module knows", "uart_parity", "SPACE"},
        {"node id a list", "node_id", Document::array()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        Document document = reports::meshJson(surveyedModule());
        Document& settings = document["nodes"][0]["settings"];
        if (c.value.is_null())
            settings.erase(c.key);
        else
            settings[c.key] = c.value;
        const mesh::ModuleAnswers& read = answersRead(document);
        EXPECT_FALSE(read.setup.has_value());
        EXPECT_TRUE(read.routes.has_value());
    }
}

}  // namespace
