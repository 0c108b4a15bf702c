#pragma once
// A device tree that libudev sees in place of /sys for the life of the object, and uevents
// sent as the kernel would. The test binary must run under umockdev's preload
// (umockdev-wrapper); the constructor throws where it does not.

#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;

class UsbTestbed {
  public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // A null string leaves the descriptor out, as devices without it do.
    struct Descriptors {
        const char* product = nullptr;
        const char* serial = nullptr;
        const char* vendorId = "10c4";
        const char* productId = "ea60";
    };

    // A USB device named by its port path ("1-1.2"), on a hub or at the top. Returns its sysfs
    // path, as do the others.
    std::string usbDevice(const std::string& portPath, const Descriptors& descriptors,
                          const std::string& hub = {});
    // A USB serial port's tty sits below the port, below the interface; an ACM device's tty is
    // the interface's child.
    std::string usbSerialTty(const std::string& name, const std::string& usbDevice,
                             int interfaceNumber = 0);
    std::string acmTty(const std::string& name, const std::string& usbDevice);
    std::string legacyTty(const std::string& name);

    void remove(const std::string& syspath);
    // Adding and removing announce themselves; this sends any other action.
    void announce(const std::string& syspath, const char* action);

  private:
    std::string interface(const std::string& usbDevice, int interfaceNumber);
    std::string tty(const std::string& name, const std::string& parent);

    UMockdevTestbed* m_testbed;
};
