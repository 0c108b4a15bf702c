#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "SendNames.h"

namespace {

TEST(SendStatus, MessageTable) {
    const struct {
        std::uint8_t status;
        std::string_view message;
    } rows[] = {
        {0x00, "Send data ok."},
        {0xC1, "Invalid network layer parameters."},
        {0xC2, "Invalid request"},
        {0xC7, "Route not found."},
        {0xD1, "Buffer busy."},
        {0xD2, "APS Not received ACK."},
        {0xD3, "APS Data is very long."},
        {0xE1, "Xor check error."},
        {0xE4, "Security check failed."},
        {0xE5, "MAC Data is very long."},
        {0xE6, "Invalid parameter."},
        {0xE7, "Not received ACK."},
        {0xEA, "Transmitter is busy"},
        {0x05, ""},
        {0xC0, ""},
        {0xFF, ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(proto::statusText(row.status), row.message) << int(row.status);
    }
}

}  // namespace
