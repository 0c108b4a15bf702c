#include <gtest/gtest.h>

#include "Termios.h"

namespace {

struct ParityRow {
    const char* name;
    int code;
    tcflag_t parityBits;  // of PARENB | PARODD
};

class ParityCode : public ::testing::TestWithParam<ParityRow> {};

// A tty as it comes up: canonical, echoing, with flow control, two stop bits and 7 bits.
termios cookedTty() {
    termios tio{};
    tio.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | INPCK | IGNPAR | PARMRK;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_cflag = CS7 | CSTOPB | PARENB | CRTSCTS | HUPCL;
    tio.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    return tio;
}

TEST_P(ParityCode, GivesRawEightBitsWithUncheckedParity) {
    const ParityRow row = GetParam();
    const auto parity = proto::parityFromCode(row.code);
    ASSERT_TRUE(parity);
    const auto tio = serial::lineTermios(cookedTty(), {19200, *parity});
    ASSERT_TRUE(tio);
    EXPECT_EQ(tio->c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS), CS8 | row.parityBits);
    EXPECT_EQ(tio->c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(tio->c_iflag & (INPCK | IGNPAR | PARMRK), 0u);  // parity errors arrive as received
    EXPECT_EQ(tio->c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio->c_oflag & OPOST, 0u);
    EXPECT_EQ(tio->c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio->c_cc[VMIN], 1);
    EXPECT_EQ(::cfgetispeed(&*tio), B19200);
    EXPECT_EQ(::cfgetospeed(&*tio), B19200);
}

INSTANTIATE_TEST_SUITE_P(LineSettings, ParityCode,
                         ::testing::Values(ParityRow{"None", 0, 0},
                                           ParityRow{"Odd", 1, PARENB | PARODD},
                                           ParityRow{"Even", 2, PARENB}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
