#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ControlTexts.h"
#include "HexBytes.h"
#include "NumberText.h"

namespace {

// A user whose LC_NUMERIC writes 433,5 must still get the module's full-stop numbers.
class CommaLocale : public testing::Test {
  protected:
    void SetUp() override {
        m_saved = std::setlocale(LC_ALL, nullptr);
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::string(std::localeconv()->decimal_point) == ",") {
                return;
            }
        }
        std::setlocale(LC_ALL, m_saved.c_str());
        GTEST_SKIP() << "no locale with a comma decimal point";
    }
    void TearDown() override { std::setlocale(LC_ALL, m_saved.c_str()); }

  private:
    std::string m_saved;
};

TEST_F(CommaLocale, ReadsFullStopDecimals) {
    EXPECT_DOUBLE_EQ(forms::readDouble("433.5"), 433.5);
    EXPECT_DOUBLE_EQ(forms::readDouble("433,5"), 433.0);
}

TEST_F(CommaLocale, WritesAndShowsFrequencyWithFullStop) {
    const proto::Frame request =
        proto::encode(proto::WriteSetupRequest{forms::setupOf({.frequencyText = "433.5"})});
    EXPECT_EQ(proto::Frame(request.begin() + 6, request.begin() + 9), hexBytes("6C 60 12"));

    const proto::Frame reply =
        withCheck(hexBytes("01 00 82 0D A5 A5 6C 60 12 07 00 00 01 00 01 03 00"));
    const auto setup = proto::setupValuesIn(reply);
    ASSERT_TRUE(setup.has_value());
    EXPECT_EQ(forms::setupFieldsOf(*setup).frequencyText, "433.50");
}

}  // namespace
