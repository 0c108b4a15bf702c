// A lost port counts as back only once its name has led nowhere and then to a tty again.

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "LostPort.h"
#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"

namespace {

constexpr int kPort = 200;

class Replug {
  public:
    Replug() { plugIn(); }
    void pull() {
        m_alias.reset();
        m_line.reset();  // its node goes with the master
    }
    void plugIn() {
        m_line = std::make_unique<PtyPair>();
        m_alias = std::make_unique<PortAlias>(kPort, m_line->slavePath());
    }

  private:
    std::unique_ptr<PtyPair> m_line;
    std::unique_ptr<PortAlias> m_alias;
};

TEST(LostPort, BackOnlyAfterItWasSeenGone) {
    const ScopedRuntimeDir runtime;
    Replug cable;
    // A hang-up whose device stays is no return: it would hang up again at once.
    serial::LostPort stayed(kPort, std::nullopt);
    EXPECT_EQ(stayed.returnedPort(), std::nullopt);

    cable.pull();
    serial::LostPort gone(kPort, std::nullopt);  // gone before the first look
    EXPECT_EQ(stayed.returnedPort(), std::nullopt);
    EXPECT_EQ(gone.returnedPort(), std::nullopt);

    cable.plugIn();
    EXPECT_EQ(stayed.returnedPort(), kPort);
    EXPECT_EQ(gone.returnedPort(), kPort);
}

}  // namespace
