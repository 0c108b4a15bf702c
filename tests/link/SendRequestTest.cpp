// The send request both faces build: what the frame carries, and what is refused before
// anything is sent, whoever gave the options.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Messages.h"
#include "SendRequest.h"

namespace {

struct SendCase {
    const char* name;
    modlink::SendOptions options;
    const char* refused;  // a part of the message; null when the request is built
    proto::SendDataRequest built{};
};

modlink::SendOptions options(int target, std::string data, bool ack = false,
                             std::string mode = "auto", int jump = 7,
                             std::vector<std::string> relays = {}) {
    modlink::SendOptions send;
    send.target = target;
    send.data = std::move(data);
    send.ack = ack;
    send.mode = std::move(mode);
    send.jump = jump;
    send.relays = std::move(relays);
    return send;
}

class SendRequest : public testing::TestWithParam<SendCase> {};

TEST_P(SendRequest, carriesTheOptionsOrRefusesThem) {
    const SendCase& given = GetParam();
    if (given.refused) {
        try {
            modlink::sendRequest(given.options);
            FAIL() << "built a request";
        } catch (const modlink::Failure& failure) {
            EXPECT_EQ(failure.code(), modlink::kExitUsage);
            EXPECT_NE(std::string(failure.what()).find(given.refused), std::string::npos)
                << failure.what();
        }
        return;
    }
    const proto::Frame frame = proto::encode(modlink::sendRequest(given.options));
    const auto request = proto::decodeRequest(frame);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(std::get<proto::SendDataRequest>(*request), given.built);
}

const SendCase kCases[] = {
    {"plain", options(1, "01 02"), nullptr, {1, 0, 7, 1, {}, {1, 2}}},
    {"acknowledged", options(65535, "AA", true, "force", 3), nullptr, {65535, 1, 3, 2, {}, {0xAA}}},
    {"relayed",
     options(9, "AA", false, "source", 1, {"0005", "012C"}),
     nullptr,
     {9, 0, 1, 3, {5, 300}, {0xAA}}},
    {"targetTooLarge", options(70000, "01"), "target"},
    {"targetNegative", options(-1, "01"), "target"},
    {"jumpZero", options(1, "01", false, "auto", 0), "jump"},
    {"jumpEight", options(1, "01", false, "auto", 8), "jump"},
    {"unknownMode", options(1, "01", false, "nearest"), "route mode"},
    {"noData", options(1, ""), "--data"},
    {"tooMuchData", options(1, std::string(2 * 200, '0')), "too long"},
    {"relaysWithoutSource", options(1, "01", false, "auto", 7, {"0005"}), "--mode source"},
};

INSTANTIATE_TEST_SUITE_P(, SendRequest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
