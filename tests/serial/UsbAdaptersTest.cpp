#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LostPort.h"
#include "PortAlias.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "ScopedRuntimeDir.h"
#include "TtyHotplugMonitor.h"
#include "UsbAdapters.h"
#include "UsbTestbed.h"

namespace fs = std::filesystem;

namespace {

// Adapters on hubs, with and without serial numbers, and a /dev of links beside them in the
// runtime directory.
class Desk {
  public:
    explicit Desk(const fs::path& top) : m_dev(top / "dev") {
        const std::string hub =
            m_testbed.usbDevice("1-1", {.product = "USB2.0 Hub", .serial = "H1"},
                                m_testbed.usbDevice("usb1", {.product = "xHCI Host Controller"}));
        m_testbed.usbSerialTty(
            "ttyUSB0",
            m_testbed.usbDevice("1-1.2", {"CP2102 USB to UART Bridge\n", "0001\n"}, hub));
        m_testbed.usbSerialTty("ttyUSB1", m_testbed.usbDevice("1-1.3", {"USB Serial"}, hub));
        m_testbed.usbSerialTty("ttyUSB2", m_testbed.usbDevice("1-1.4", {"USB Serial"}, hub));
        m_cp2102 = m_testbed.usbDevice("1-1.5", {"CP2102 USB to UART Bridge", "0002"}, hub);
        m_cp2102Tty = m_testbed.usbSerialTty("ttyUSB3", m_cp2102);
        m_testbed.usbSerialTty("ttyUSB4", m_testbed.usbDevice("2-1", {"Dual UART", "A1B2"}));
        m_testbed.usbSerialTty("ttyUSB5", m_testbed.usbDevice("2-2", {"Dual UART", "A1B2"}));
        const std::string quad = m_testbed.usbDevice("3-1", {"Quad UART", "FT1234"});
        m_testbed.usbSerialTty("ttyUSB6", quad, 0);
        m_testbed.usbSerialTty("ttyUSB7", quad, 1);
        m_testbed.usbSerialTty("ttyUSB8", m_testbed.usbDevice("1-1.6", {"Other Bridge", "0001"}));
        m_testbed.acmTty("ttyACM0", m_testbed.usbDevice("1-4", {"Mesh Radio ACM", "E6614103E7"}));
        m_testbed.acmTty("ttyACM1", m_testbed.usbDevice(
                                        "1-6", {"  Bridge\t\x01\xC3\xA9\xFF\n", "\r0042\x7F \n"}));
        m_testbed.acmTty("ttyACM2",
                         m_testbed.usbDevice("1-7", {.vendorId = "1a86", .productId = "55d4"}));
        m_testbed.legacyTty("ttyS0");

        link(m_dev / "ttyUSB0", m_dev / "serial/by-id/usb-bridge-0001-if00-port0");
        link(m_dev / "ttyUSB1", m_dev / "serial/by-path/usb-0:1.3:1.0-port0");
        link(m_dev / "loop/b", m_dev / "loop/a");
        link(m_dev / "loop/a", m_dev / "loop/b");
    }

    UsbTestbed& testbed() { return m_testbed; }
    const std::string& cp2102() const { return m_cp2102; }  // the one behind ttyUSB3
    const std::string& cp2102Tty() const { return m_cp2102Tty; }

  private:
    // Relative links, as udev makes them.
    static void link(const fs::path& target, const fs::path& at) {
        fs::create_directories(at.parent_path());
        fs::create_symlink(target.lexically_relative(at.parent_path()), at);
    }

    UsbTestbed m_testbed;
    fs::path m_dev;
    std::string m_cp2102;
    std::string m_cp2102Tty;
};

class UsbAdapters : public ::testing::Test {
  protected:
    ScopedRuntimeDir m_runtimeDir;
    Desk m_desk{m_runtimeDir.path()};
};

struct EntryRow {
    const char* tag;
    int port;
    const char* aliasTarget;  // nullptr: no alias; "@" stands for the temporary directory
    const char* entry;
};

void PrintTo(const EntryRow& row, std::ostream* out) {
    *out << row.tag;
}

std::string expand(const std::string& text, const std::string& top) {
    const std::size_t at = text.find('@');
    return at == std::string::npos ? text : text.substr(0, at) + top + text.substr(at + 1);
}

class PortEntry : public UsbAdapters, public ::testing::WithParamInterface<EntryRow> {};

TEST_P(PortEntry, DescribesTheAdapterUdevKnows) {
    const EntryRow row = GetParam();
    const std::string& top = m_runtimeDir.path();
    std::unique_ptr<PortAlias> alias;
    if (row.aliasTarget != nullptr) {
        alias = std::make_unique<PortAlias>(row.port, expand(row.aliasTarget, top));
    }
    EXPECT_EQ(ports::PortDirectory().entryText(row.port), expand(row.entry, top));
}

INSTANTIATE_TEST_SUITE_P(
    UsbAdapters, PortEntry,
    ::testing::Values(
        EntryRow{"UsbAdapter", 33, nullptr,
                 "COM33 (/dev/ttyUSB0, CP2102 USB to UART Bridge, 0001)"},
        EntryRow{"SameModelOtherSerial", 36, nullptr,
                 "COM36 (/dev/ttyUSB3, CP2102 USB to UART Bridge, 0002)"},
        EntryRow{"SameSerialOtherProduct", 41, nullptr, "COM41 (/dev/ttyUSB8, Other Bridge, 0001)"},
        EntryRow{"NoSerialFirst", 34, nullptr, "COM34 (/dev/ttyUSB1, USB Serial, 1-1.3)"},
        EntryRow{"NoSerialSecond", 35, nullptr, "COM35 (/dev/ttyUSB2, USB Serial, 1-1.4)"},
        EntryRow{"EqualSerialFirst", 37, nullptr, "COM37 (/dev/ttyUSB4, Dual UART, 2-1)"},
        EntryRow{"EqualSerialSecond", 38, nullptr, "COM38 (/dev/ttyUSB5, Dual UART, 2-2)"},
        EntryRow{"SecondInterfaceOfOneAdapter", 40, nullptr,
                 "COM40 (/dev/ttyUSB7, Quad UART, FT1234)"},
        EntryRow{"UnknownToUdev", 42, nullptr, "COM42 (/dev/ttyUSB9)"},
        EntryRow{"AcmDevice", 65, nullptr, "COM65 (/dev/ttyACM0, Mesh Radio ACM, E6614103E7)"},
        EntryRow{"UnprintableStrings", 66, nullptr, "COM66 (/dev/ttyACM1, Bridge \xC3\xA9, 0042)"},
        EntryRow{"NoStrings", 67, nullptr, "COM67 (/dev/ttyACM2, 1-7)"},
        EntryRow{"LegacyPort", 1, nullptr, "COM1 (/dev/ttyS0)"},
        EntryRow{"AliasToAcm", 200, "@/dev/ttyACM0",
                 "COM200 (@/dev/ttyACM0, Mesh Radio ACM, E6614103E7)"},
        EntryRow{"AliasThroughById", 201, "@/dev/serial/by-id/usb-bridge-0001-if00-port0",
                 "COM201 (@/dev/serial/by-id/usb-bridge-0001-if00-port0, "
                 "CP2102 USB to UART Bridge, 0001)"},
        EntryRow{"RelativeAliasThroughByPath", 202, "../dev/serial/by-path/usb-0:1.3:1.0-port0",
                 "COM202 (../dev/serial/by-path/usb-0:1.3:1.0-port0, USB Serial, 1-1.3)"},
        EntryRow{"AliasToPty", 203, "@/dev/pts/7", "COM203 (@/dev/pts/7)"},
        EntryRow{"AliasIntoLinkLoop", 204, "@/dev/loop/a", "COM204 (@/dev/loop/a)"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(UsbAdaptersAlone, EmptyTreeGivesOnlyThePath) {
    const ScopedRuntimeDir runtimeDir;
    const UsbTestbed empty;
    EXPECT_EQ(ports::PortDirectory().entryText(33), "COM33 (/dev/ttyUSB0)");
    EXPECT_TRUE(ports::usbDeviceDetails("/").empty());
    EXPECT_EQ(ports::usbIdentity("/dev/ttyUSB0"), std::nullopt);
}

TEST_F(UsbAdapters, IdentityIsWhatUdevTellsOfTheUsbDevice) {
    EXPECT_EQ(
        ports::usbIdentity(m_runtimeDir.path() + "/dev/serial/by-id/usb-bridge-0001-if00-port0"),
        (ports::UsbIdentity{"10c4", "ea60", "0001", "00"}));
    EXPECT_EQ(ports::usbIdentity("/dev/ttyUSB7"),
              (ports::UsbIdentity{"10c4", "ea60", "FT1234", "01"}));
    EXPECT_EQ(ports::usbIdentity("/dev/ttyS0"), std::nullopt);
}

struct AdapterRow {
    const char* tag;
    const char* tty;
    const char* foundAgain;  // nullptr: no single adapter answers the identity
};

void PrintTo(const AdapterRow& row, std::ostream* out) {
    *out << row.tag;
}

class FoundAgain : public UsbAdapters, public ::testing::WithParamInterface<AdapterRow> {};

TEST_P(FoundAgain, OnlyWhereOneAdapterAnswers) {
    const AdapterRow row = GetParam();
    const auto identity = ports::usbIdentity(row.tty);
    ASSERT_TRUE(identity);
    EXPECT_EQ(ports::ttyOfAdapter(*identity),
              row.foundAgain ? std::optional<std::string>(row.foundAgain) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    UsbAdapters, FoundAgain,
    ::testing::Values(AdapterRow{"OwnSerial", "/dev/ttyUSB3", "/dev/ttyUSB3"},
                      AdapterRow{"SerialSharedWithAnother", "/dev/ttyUSB4", nullptr},
                      AdapterRow{"NoSerialModelTwice", "/dev/ttyUSB1", nullptr},
                      AdapterRow{"NoSerialModelOnce", "/dev/ttyACM2", "/dev/ttyACM2"},
                      AdapterRow{"FirstInterface", "/dev/ttyUSB6", "/dev/ttyUSB6"},
                      AdapterRow{"SecondInterface", "/dev/ttyUSB7", "/dev/ttyUSB7"}),
    [](const auto& info) { return std::string(info.param.tag); });

bool readable(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) == 1;
}

// The adapter comes back on another USB port, under another number: the monitor tells, and its
// identity finds the new node. The testbed announces each device it adds or removes.
// The port it was opened as, COM36, comes back as COM43: the port that names ttyUSB10.
TEST_F(UsbAdapters, ReplugElsewhereIsAnnouncedAndFound) {
    const auto identity = ports::usbIdentity("/dev/ttyUSB3");
    ASSERT_TRUE(identity);
    ports::TtyHotplugMonitor monitor;
    ASSERT_GE(monitor.fd(), 0);
    serial::LostPort lost(36, identity);
    EXPECT_EQ(lost.returnedPort(), std::nullopt);  // not gone yet
    m_desk.testbed().remove(m_desk.cp2102());
    EXPECT_FALSE(monitor.takeAddOrRemoveEvents());  // the USB device's own, not a tty's
    EXPECT_EQ(ports::ttyOfAdapter(*identity), std::nullopt);
    EXPECT_EQ(lost.returnedPort(), std::nullopt);

    const std::string usb =
        m_desk.testbed().usbDevice("2-4", {"CP2102 USB to UART Bridge", "0002"});
    EXPECT_FALSE(monitor.takeAddOrRemoveEvents());  // not a tty yet
    const std::string tty = m_desk.testbed().usbSerialTty("ttyUSB10", usb);
    EXPECT_TRUE(readable(monitor.fd()));
    EXPECT_TRUE(monitor.takeAddOrRemoveEvents());
    EXPECT_FALSE(monitor.takeAddOrRemoveEvents());  // drained
    EXPECT_EQ(ports::ttyOfAdapter(*identity), "/dev/ttyUSB10");
    EXPECT_EQ(lost.returnedPort(), 43);

    m_desk.testbed().announce(tty, "change");
    EXPECT_TRUE(readable(monitor.fd()));
    EXPECT_FALSE(monitor.takeAddOrRemoveEvents());
}

// A module that resets between two looks: its tty goes and comes back before the watch looks
// again. The news of it counts as having seen it gone; news of a change does not.
struct ResetRow {
    const char* tag;
    std::function<void(UsbTestbed&, const Desk&)> betweenTwoLooks;
    std::optional<int> returned;
};

class ResetBetweenLooks : public UsbAdapters, public ::testing::WithParamInterface<ResetRow> {};

TEST_P(ResetBetweenLooks, CountsAsGoneOnlyByItsNews) {
    const auto identity = ports::usbIdentity("/dev/ttyUSB3");
    ASSERT_TRUE(identity);
    ports::TtyHotplugMonitor monitor;
    ASSERT_GE(monitor.fd(), 0);
    serial::LostPort lost(36, identity);
    EXPECT_EQ(lost.returnedPort(), std::nullopt);  // its node outlives the hang-up
    GetParam().betweenTwoLooks(m_desk.testbed(), m_desk);
    if (monitor.takeAddOrRemoveEvents()) lost.hotplugSeen();
    EXPECT_EQ(lost.returnedPort(), GetParam().returned);
}

INSTANTIATE_TEST_SUITE_P(
    UsbAdapters, ResetBetweenLooks,
    ::testing::Values(ResetRow{"BackAsAnotherTty",
                               [](UsbTestbed& bed, const Desk& desk) {
                                   bed.remove(desk.cp2102());
                                   bed.usbSerialTty(
                                       "ttyUSB10",
                                       bed.usbDevice("2-4", {"CP2102 USB to UART Bridge", "0002"}));
                               },
                               43},
                      ResetRow{"RemovalAnnounced",
                               [](UsbTestbed& bed, const Desk& desk) {
                                   bed.announce(desk.cp2102Tty(), "remove");
                               },
                               36},
                      ResetRow{"OnlyChanged",
                               [](UsbTestbed& bed, const Desk& desk) {
                                   bed.announce(desk.cp2102Tty(), "change");
                               },
                               std::nullopt}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
