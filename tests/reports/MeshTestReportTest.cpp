// The delivery test's figures as the command line prints them: the summary's fields, the
// matrix, the CSV rows and which pairs fall short.

#include <gtest/gtest.h>

#include "MeshTestReport.h"
#include "PairSummaries.h"

namespace {

using delivery::Clock;
using std::chrono::milliseconds;

const reports::Names kPorts{"COM200", "COM201", "/dev/ttyUSB0"};

TEST(MeshTestSummary, namesEveryFieldOfEachPair) {
    delivery::Summary summary;
    summary.pairs.push_back(pairOf(0, 2, 10, 9));
    summary.pairs[0].duplicates = 1;
    summary.pairs[0].late = 2;
    summary.pairs[0].outOfOrder = 3;
    summary.pairs[0].falseOk = 4;
    summary.pairs[0].falseFail = 5;
    summary.pairs[0].leftOut = 6;
    summary.pairs[0].notSent = 7;
    summary.pairs[0].asked = 23;
    summary.pairs[0].rate = {20, 12.34};
    summary.pairs[0].latencyMs = delivery::Latency{12.34, 56.78, 90.0};
    summary.pairs.push_back(pairOf(1, 0, 3, 0));
    const modlink::Json json = reports::summaryJson(summary, kPorts);
    const modlink::Json& pairs = json.at("summary").at("pairs");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0], modlink::Json::parse(R"({"from":"COM200","to":"/dev/ttyUSB0","sent":10,
        "delivered":9,"duplicates":1,"late":2,"out_of_order":3,"false_ok":4,"false_fail":5,
        "left_out":6,"not_sent":7,"asked":23,"sends_per_s":{"asked":20.0,"reached":12.3},
        "latency_ms":{"p50":12.3,"p95":56.8,"max":90.0}})"));
    EXPECT_TRUE(pairs[1].at("latency_ms").is_null());
    EXPECT_TRUE(pairs[1].at("asked").is_null());
    EXPECT_TRUE(pairs[1].at("sends_per_s").at("reached").is_null());
}

struct PairLineCase {
    const char* name;
    delivery::PairSummary pair;
    const char* line;
    const char* row;  // of the live table
};

delivery::PairSummary withSends(delivery::PairSummary pair, std::optional<int> asked, int leftOut,
                                int notSent, delivery::Rate rate) {
    pair.asked = asked;
    pair.leftOut = leftOut;
    pair.notSent = notSent;
    pair.rate = rate;
    return pair;
}

class MeshTestPairLine : public testing::TestWithParam<PairLineCase> {};

// What a pair was asked for and what became of it add up, the rate reached beside the one asked.
TEST_P(MeshTestPairLine, saysWhatBecameOfTheSendsAsked) {
    delivery::Summary summary;
    summary.pairs = {GetParam().pair};
    EXPECT_EQ(reports::pairLines(summary, kPorts), GetParam().line);
    EXPECT_EQ(reports::liveTable(summary, kPorts).at(1), GetParam().row);
}

const PairLineCase kPairLines[] = {
    {"allSent", withSends(pairOf(0, 1, 60, 48), 60, 0, 0, {50, 35.56}),
     "COM200 -> COM201: sent 60 of 60, 35.6 sends/s of 50.0 asked, delivered 48 (80.0%)\n",
     "      COM200        COM201        60    35.6     50.0      80.0%"},
    {"lostOnTheWay", withSends(pairOf(0, 1, 58, 40), 60, 1, 1, {1, 0.98}),
     "COM200 -> COM201: sent 58 of 60 (1 left out, 1 not sent), 1.0 sends/s of 1.0 asked, "
     "delivered 40 (69.0%)\n",
     "      COM200        COM201        58     1.0      1.0      69.0%"},
    {"byDuration", withSends(pairOf(0, 1, 1, 0, 1), std::nullopt, 0, 0, {2.5, {}}),
     "COM200 -> COM201: sent 1, ? sends/s of 2.5 asked, delivered 0 (?)\n",
     "      COM200        COM201         1       ?      2.5          ?"},
};

INSTANTIATE_TEST_SUITE_P(, MeshTestPairLine, testing::ValuesIn(kPairLines),
                         [](const auto& info) { return std::string(info.param.name); });

struct MatrixCase {
    const char* name;
    std::vector<delivery::PairSummary> pairs;
    const char* row;  // the matrix's second line: COM200 sending
};

class MeshTestMatrix : public testing::TestWithParam<MatrixCase> {};

TEST_P(MeshTestMatrix, showsEachSendersShareToEachTarget) {
    delivery::Summary summary;
    summary.pairs = GetParam().pairs;
    const std::string matrix = reports::deliveryMatrix(summary, kPorts);
    const std::size_t second = matrix.find('\n') + 1;
    EXPECT_EQ(matrix.substr(second, matrix.find('\n', second) - second), GetParam().row) << matrix;
}

const MatrixCase kMatrices[] = {
    {"noPairs", {}, "      COM200             -             -             -"},
    {"share", {pairOf(0, 1, 200, 179)}, "      COM200             -         89.5%             -"},
    {"nothingKnownYet",
     {pairOf(0, 2, 4, 0, 4)},
     "      COM200             -             -             ?"},
    {"none",
     {pairOf(0, 1, 4, 0), pairOf(0, 2, 4, 4)},
     "      COM200             -          0.0%        100.0%"},
};

INSTANTIATE_TEST_SUITE_P(, MeshTestMatrix, testing::ValuesIn(kMatrices),
                         [](const auto& info) { return std::string(info.param.name); });

struct RowCase {
    const char* name;
    delivery::SendOutcome send;
    const char* row;
};

class MeshTestCsv : public testing::TestWithParam<RowCase> {};

const Clock::time_point kReportStart{};

delivery::SendOutcome sendOf(delivery::Verdict verdict, std::optional<std::uint8_t> status,
                             bool falseOk = false, bool falseFail = false) {
    delivery::SendOutcome send;
    send.pair = {2, 1};
    send.sequence = 7;
    send.sentAt = kReportStart + milliseconds(1500);
    if (status != std::optional<std::uint8_t>(0xFF))
        send.confirmation = delivery::Confirmation{status, send.sentAt + milliseconds(40)};
    send.verdict = verdict;
    send.latencyMs = verdict == delivery::Verdict::Delivered ? 81.25 : 0;
    send.falseOk = falseOk;
    send.falseFail = falseFail;
    return send;
}

TEST_P(MeshTestCsv, writesOneRowPerSend) {
    EXPECT_EQ(reports::csvRow(GetParam().send, kPorts, kReportStart), GetParam().row);
}

const RowCase kRows[] = {
    {"delivered", sendOf(delivery::Verdict::Delivered, 0x00),
     "/dev/ttyUSB0,COM201,7,1500.0,00,40.0,delivered,81.2,0,0"},
    {"falseOk", sendOf(delivery::Verdict::NotDelivered, 0x00, true),
     "/dev/ttyUSB0,COM201,7,1500.0,00,40.0,not_delivered,,1,0"},
    {"falseFail", sendOf(delivery::Verdict::Delivered, 0xE7, false, true),
     "/dev/ttyUSB0,COM201,7,1500.0,E7,40.0,delivered,81.2,0,1"},
    {"spoiledConfirmation", sendOf(delivery::Verdict::NotDelivered, std::nullopt),
     "/dev/ttyUSB0,COM201,7,1500.0,,40.0,not_delivered,,0,0"},
    {"noConfirmation", sendOf(delivery::Verdict::NotDelivered, 0xFF),
     "/dev/ttyUSB0,COM201,7,1500.0,,,not_delivered,,0,0"},
};

INSTANTIATE_TEST_SUITE_P(, MeshTestCsv, testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeshTestCsvField, quotesAPortNameWithACommaOrQuote) {
    const reports::Names ports{"tcp://a,b:4001", "say \"x\"", "COM3"};
    const std::string row =
        reports::csvRow(sendOf(delivery::Verdict::NotDelivered, 0xFF), ports, kReportStart);
    EXPECT_EQ(row.substr(0, row.find(",7,")), "COM3,\"say \"\"x\"\"\"");
}

struct UnderCase {
    const char* name;
    delivery::PairSummary pair;
    double least;
    const char* line;  // empty: the pair does not fall short
};

class MeshTestLeast : public testing::TestWithParam<UnderCase> {};

TEST_P(MeshTestLeast, namesThePairsThatFallShort) {
    delivery::Summary summary;
    summary.pairs = {pairOf(1, 0, 10, 10), GetParam().pair};
    const auto lines = reports::shortfalls(summary, kPorts, GetParam().least);
    EXPECT_EQ(lines, std::string(GetParam().line).empty()
                         ? std::vector<std::string>{}
                         : std::vector<std::string>{GetParam().line});
}

const UnderCase kLeast[] = {
    {"atTheLeast", pairOf(0, 1, 100, 95), 0.95, ""},
    {"justUnder", pairOf(0, 1, 100, 94), 0.95,
     "COM200 -> COM201 delivered 94 of 100 sends (94.0%, below 95%)"},
    {"underByLessThanItsRounding", pairOf(0, 1, 2000, 1899), 0.95,
     "COM200 -> COM201 delivered 1899 of 2000 sends (94.9%, below 95%)"},
    {"nothing", pairOf(0, 1, 100, 0), 0.0, "COM200 -> COM201 delivered none of 100 sends"},
    {"nothingUnderALeast", pairOf(0, 2, 1, 0), 0.5,
     "COM200 -> /dev/ttyUSB0 delivered none of 1 send"},
    {"anythingWithoutALeast", pairOf(0, 1, 100, 1), 0.0, ""},
    {"noFateKnown", pairOf(0, 1, 5, 0, 5), 0.5, "COM200 -> COM201: no send has its fate known"},
    {"neverSent", pairOf(0, 1, 0, 0), 0.0, "COM200 -> COM201: no send has its fate known"},
};

INSTANTIATE_TEST_SUITE_P(, MeshTestLeast, testing::ValuesIn(kLeast),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
