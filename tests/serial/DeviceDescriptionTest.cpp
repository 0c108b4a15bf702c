#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "PortAlias.h"
#include "PortNames.h"
#include "PrintableText.h"
#include "ScopedRuntimeDir.h"

namespace fs = std::filesystem;

namespace {

// A temporary tree laid out like /sys: class/tty/<name>/device links into a devices/ hierarchy
// of USB hubs, adapters and their interfaces, and a /dev of links beside it.
class FakeSystem {
  public:
    explicit FakeSystem(const fs::path& top) : m_sysfs(top / "sys"), m_dev(top / "dev") {
        usbDevice("usb1", "xHCI Host Controller", "0000:00:14.0");
        usbDevice("usb1/1-1", "USB2.0 Hub", nullptr);
        usbTty("ttyUSB0", usbDevice("usb1/1-1/1-1.2", "CP2102 USB to UART Bridge\n", "0001\n"));
        usbTty("ttyUSB1", usbDevice("usb1/1-1/1-1.3", "USB Serial", nullptr));
        usbTty("ttyUSB2", usbDevice("usb1/1-1/1-1.4", "USB Serial", nullptr));
        usbTty("ttyUSB3", usbDevice("usb1/1-1/1-1.5", "CP2102 USB to UART Bridge", "0002"));
        usbTty("ttyUSB4", usbDevice("usb2/2-1", "Dual UART", "A1B2"));
        usbTty("ttyUSB5", usbDevice("usb2/2-2", "Dual UART", "A1B2"));
        const fs::path quad = usbDevice("usb3/3-1", "Quad UART", "FT1234");
        usbTty("ttyUSB6", quad, ":1.0");
        usbTty("ttyUSB7", quad, ":1.1");
        usbTty("ttyUSB8", usbDevice("usb1/1-1/1-1.6", "Other Bridge", "0001"));
        acmTty("ttyACM0", usbDevice("usb1/1-4", "Mesh Radio ACM", "E6614103E7"));
        acmTty("ttyACM1", usbDevice("usb1/1-6", "  Bridge\t\x01\xC3\xA9\xFF\n", "\r0042\x7F \n"));
        acmTty("ttyACM2", usbDevice("usb1/1-7", nullptr, nullptr));
        tty("ttyS0", m_sysfs / "devices/pnp0/00:01");

        link(m_dev / "ttyUSB0", m_dev / "serial/by-id/usb-bridge-0001-if00-port0");
        link(m_dev / "ttyUSB1", m_dev / "serial/by-path/usb-0:1.3:1.0-port0");
        link(m_dev / "loop/b", m_dev / "loop/a");
        link(m_dev / "loop/a", m_dev / "loop/b");
    }

    const fs::path& sysfs() const { return m_sysfs; }

  private:
    fs::path devices() const { return m_sysfs / "devices/pci0000:00/0000:00:14.0"; }

    // A null string leaves the file out, as devices without that descriptor do.
    fs::path usbDevice(const std::string& usbPath, const char* product, const char* serial) {
        const fs::path directory = devices() / usbPath;
        fs::create_directories(directory);
        write(directory / "idVendor", "10c4\n");
        write(directory / "idProduct", "ea60\n");
        if (product != nullptr) write(directory / "product", product);
        if (serial != nullptr) write(directory / "serial", serial);
        return directory;
    }

    // A USB serial port sits below the interface; an ACM device's link names the interface.
    void usbTty(const std::string& name, const fs::path& usb,
                const std::string& interface = ":1.0") {
        tty(name, usb / (usb.filename().string() + interface) / name);
    }
    void acmTty(const std::string& name, const fs::path& usb) {
        tty(name, usb / (usb.filename().string() + ":1.0"));
    }

    void tty(const std::string& name, const fs::path& device) {
        fs::create_directories(device);
        link(device, m_sysfs / "class/tty" / name / "device");
    }

    // Relative links, as sysfs and udev make them.
    static void link(const fs::path& target, const fs::path& at) {
        fs::create_directories(at.parent_path());
        fs::create_symlink(target.lexically_relative(at.parent_path()), at);
    }

    static void write(const fs::path& file, const char* text) { std::ofstream(file) << text; }

    fs::path m_sysfs;
    fs::path m_dev;
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

class PortEntry : public ::testing::TestWithParam<EntryRow> {
  protected:
    ScopedRuntimeDir m_runtimeDir;
    FakeSystem m_system{m_runtimeDir.path()};
};

TEST_P(PortEntry, DescribesTheDeviceFromSysfs) {
    const EntryRow row = GetParam();
    const std::string& top = m_runtimeDir.path();
    std::unique_ptr<PortAlias> alias;
    if (row.aliasTarget != nullptr) {
        alias = std::make_unique<PortAlias>(row.port, expand(row.aliasTarget, top));
    }
    EXPECT_EQ(portEntryText(row.port, m_system.sysfs()), expand(row.entry, top));
}

INSTANTIATE_TEST_SUITE_P(
    DeviceDescription, PortEntry,
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
        EntryRow{"UnknownToSysfs", 42, nullptr, "COM42 (/dev/ttyUSB9)"},
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

TEST(DeviceDescription, MissingSysfsGivesOnlyThePath) {
    ScopedRuntimeDir runtimeDir;
    EXPECT_EQ(portEntryText(33, runtimeDir.path() + "/no-sysfs"), "COM33 (/dev/ttyUSB0)");
    EXPECT_TRUE(usbDeviceDetails("/", runtimeDir.path()).empty());
}

struct TextRow {
    const char* tag;
    std::string raw;
    std::string shown;
};

void PrintTo(const TextRow& row, std::ostream* out) {
    *out << row.tag;
}

class Printable : public ::testing::TestWithParam<TextRow> {};

TEST_P(Printable, KeepsOnlyPrintableUtf8) {
    EXPECT_EQ(printableText(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceDescription, Printable,
    ::testing::Values(TextRow{"Trimmed", " \tCP2102\r\n", "CP2102"},
                      TextRow{"InnerBreakIsSpace", "Mesh\nRadio", "Mesh Radio"},
                      TextRow{"ControlsDropped", std::string("x\0y\x1Bz\x7Fw", 7), "xyzw"},
                      TextRow{"WideCharactersKept", "\xE6\xA8\xA1\xE5\x9D\x97 \xF0\x9F\x93\xA1",
                              "\xE6\xA8\xA1\xE5\x9D\x97 \xF0\x9F\x93\xA1"},
                      TextRow{"C1ControlDropped", "x\xC2\x85y", "xy"},
                      TextRow{"OverlongDropped", "x\xC0\xAFy", "xy"},
                      TextRow{"SurrogateDropped", "x\xED\xA0\x80y", "xy"},
                      TextRow{"BeyondUnicodeDropped", "x\xF4\x90\x80\x80y", "xy"},
                      TextRow{"TruncatedDropped", "xy\xE2\x82", "xy"},
                      TextRow{"OnlyBlanks", "\n \t", ""}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
