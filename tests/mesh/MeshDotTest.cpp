#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "MeshDot.h"
#include "Surveys.h"
#include "TempFolder.h"

namespace mesh {
namespace {

using namespace mesh::test;

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Drawing {
    int status = -1;
    std::string svg;
    std::string errors;
};

// What `dot -Tsvg` makes of the text, as a user piping the command line's output would see.
Drawing drawn(const std::string& dot) {
    const std::string program = MESHCFG_DOT;
    if (program.empty()) return {-1, "", "no dot: scripts/install-deps installs graphviz"};
    TempFolder folder;
    std::ofstream(folder.path() / "mesh.dot") << dot;
    const std::string command =
        "'" + program + "' -Tsvg '" + (folder.path() / "mesh.dot").string() + "' -o '" +
        (folder.path() / "mesh.svg").string() + "' 2>'" + (folder.path() / "errors").string() + "'";
    return {std::system(command.c_str()), fileText(folder.path() / "mesh.svg"),
            fileText(folder.path() / "errors")};
}

struct DotCase {
    std::string name;
    Survey survey;
    std::vector<std::string> lines;  // each a whole line of the text
    std::size_t nodes;
    std::size_t links;
    std::string shown;  // a text the drawing shows, as SVG writes it
};

void PrintTo(const DotCase& row, std::ostream* out) {
    *out << row.name;
}

class DotOfMesh : public testing::TestWithParam<DotCase> {};

TEST_P(DotOfMesh, DrawsEveryNodeAndLinkOnce) {
    const Mesh mesh = assessMesh(GetParam().survey);
    const std::string dot = meshDot(mesh, FailedPorts::kDrawn);
    for (const std::string& line : GetParam().lines)
        EXPECT_NE(dot.find("\n" + line + "\n"), std::string::npos) << line << "\nin\n" << dot;
    EXPECT_EQ(occurrences(dot, ", shape="), GetParam().nodes) << dot;
    EXPECT_EQ(occurrences(dot, " -> "), GetParam().links) << dot;
    EXPECT_EQ(dot.find("red") == std::string::npos, mesh.faults.empty()) << dot;

    const Drawing drawing = drawn(dot);
    ASSERT_EQ(drawing.status, 0) << drawing.errors;
    EXPECT_EQ(drawing.errors, "");
    EXPECT_EQ(occurrences(drawing.svg, "class=\"node\""), GetParam().nodes);
    EXPECT_EQ(occurrences(drawing.svg, "class=\"edge\""), GetParam().links);
    EXPECT_NE(drawing.svg.find(GetParam().shown), std::string::npos) << drawing.svg;
}

constexpr std::string_view kModule = R"(shape=box, style="rounded,filled", fillcolor="#dbe8f6")";
constexpr std::string_view kFaulty = "color=red, fontcolor=red, penwidth=2";

std::string line(std::string_view text, std::string_view attributes = {}) {
    return "  " + std::string(text) + (attributes.empty() ? "" : ", ") + std::string(attributes);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, DotOfMesh,
    testing::Values(
        // One line per linked pair; path hops the routes cover add their values only.
        DotCase{"healthy_chain",
                chain(),
                {line(R"(n1 [label="1\nCOM200")", kModule) + "]", R"(  n1 -> n2 [label="-40"])",
                 R"(  n2 -> n3 [label="-60"])"},
                3,
                2,
                "&#45;60"},
        // Red for what the faults name, an arrow for the route one way only; node 8, known only
        // as a target, hangs from the module reaching it.
        DotCase{"faults",
                chainAnd({answered("COM203", 4, {{1, 1}, {8, 9}}, {{5, 33}})}),
                {line(R"(n4 [label="4\nCOM203")", kModule) + ", " + std::string(kFaulty) +
                     R"(, tooltip="no module reaches COM203 (node 4)\nCOM203 (node 4) routes to 8 )"
                     R"(through node 9, which no module reaches\nCOM203 (node 4) reaches COM200 )"
                     R"((node 1), which has no route back"])",
                 line(R"(n8 [label="8", shape=ellipse, style=dashed])"),
                 line(R"(n9 [label="9", shape=ellipse, style=dashed)", kFaulty) +
                     R"(, tooltip="COM203 (node 4) routes to 8 through node 9, which no module )"
                     R"(reaches"])",
                 line("n4 -> n1 [dir=forward, " + std::string(kFaulty) + "]"),
                 line("n4 -> n9 [" + std::string(kFaulty) + "]"),
                 line(R"(n4 -> n5 [style=dashed, label="-33"])"), line("n4 -> n8 [style=dotted]")},
                7,
                6,
                "COM203"},
        // A port that failed stands beside the mesh as a fault, with its failure; the names are
        // escaped as the modules' are.
        DotCase{"failed_port",
                chainAnd({failed("rack \"9\"\n", "no reply within 2000 ms")}),
                {line(R"(failed3 [label="rack \"9\"\n\nno reply within 2000 ms", shape=box, )"
                      R"(style=dashed)",
                      kFaulty) +
                 R"(, tooltip="rack \"9\"\n: no reply within 2000 ms"])"},
                4,
                2,
                "no reply within 2000 ms"},
        // Names as users give them: quotes, backslashes, a line break, a tab.
        DotCase{"names_to_escape",
                {answered("rack \"2\"\\A\n\tB", 1, {}), answered("COM201", 1, {})},
                {line(R"(n1 [label="1\nrack \"2\"\\A\n B\nCOM201")", kModule) + ", " +
                 std::string(kFaulty) +
                 R"(, tooltip="node 1 answers on rack \"2\"\\A\n B and COM201"])"},
                1,
                0,
                "rack &quot;2&quot;\\A"}),
    rowName);

struct QuotedCase {
    std::string text;
    std::string quoted;
};

class DotQuoted : public testing::TestWithParam<QuotedCase> {};

TEST_P(DotQuoted, ShowsTheTextAsItIs) {
    EXPECT_EQ(dotQuoted(GetParam().text), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DotQuoted,
    testing::Values(QuotedCase{"COM200", R"("COM200")"}, QuotedCase{"", R"("")"},
                    QuotedCase{"a\"b", R"("a\"b")"}, QuotedCase{R"(C:\N)", R"("C:\\N")"},
                    QuotedCase{"a\nb", R"("a\nb")"}, QuotedCase{"a\tb\x7f", R"("a b ")"},
                    QuotedCase{"\xC3\xA9\xE6\xB5\x8B\xF0\x9F\x93\xA1",
                               "\"\xC3\xA9\xE6\xB5\x8B\xF0\x9F\x93\xA1\""},
                    QuotedCase{"a\xFF", "\"a\xEF\xBF\xBD\""},
                    QuotedCase{"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // overlong
                    QuotedCase{"\xED\xA0\x80",
                               "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},    // surrogate
                    QuotedCase{"\xE6\xB5", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}));  // cut short

}  // namespace
}  // namespace mesh
