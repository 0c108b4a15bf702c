// meshcfg-cli: the module's settings, routes and send test from scripts and the production line.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "Interrupt.h"

namespace {

// The write and apply options that change one setting each.
struct SettingOptions {
    std::optional<double> frequency;
    std::optional<std::int64_t> power;
    std::optional<std::string> lifeCycle;
    std::optional<std::int64_t> networkId;
    std::optional<std::int64_t> nodeId;
    std::optional<std::int64_t> uartBaud;
    std::optional<std::string> uartParity;

    void addTo(CLI::App& command) {
        command.add_option("--frequency", frequency, "frequency in MHz, such as 433.5");
        command.add_option("--power", power, "transmit power, 1 to 7");
        command.add_option("--life-cycle", lifeCycle, "life cycle, 1h to 24h");
        command.add_option("--network-id", networkId, "network id, 0 to 65535");
        command.add_option("--node-id", nodeId, "node id, 0 to 65535");
        command.add_option("--uart-baud", uartBaud, "the module's UART rate, 1200 to 115200");
        command.add_option("--uart-parity", uartParity, "the module's UART parity, NO|ODD|EVEN");
    }

    SettingChanges changes() const {
        SettingChanges changes;
        const auto take = [&changes](std::string_view key, const auto& value) {
            if (!value) return;
            const std::string problem = changes.set(key, *value);
            if (!problem.empty()) throw Failure(kExitUsage, problem);
        };
        take("frequency", frequency);
        take("power", power);
        take("life_cycle", lifeCycle);
        take("network_id", networkId);
        take("node_id", nodeId);
        take("uart_baud", uartBaud);
        take("uart_parity", uartParity);
        return changes;
    }
};

void addCommonOptions(CLI::App& app, CommonOptions& common) {
    app.add_option("-p,--port", common.port,
                   "COMn as the window names ports (aliases included) or a device path");
    app.add_option("--baud", common.baud, "the port's baud rate")->capture_default_str();
    app.add_option("--parity", common.parity, "the port's parity: NO, ODD or EVEN")
        ->capture_default_str();
    app.add_option("--timeout", common.timeoutMs, "milliseconds to wait for each reply")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_flag("--json", common.json, "print one JSON document instead of text");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Sets up and tests a qz-470mr mesh radio module on a serial port.", "meshcfg-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    CommonOptions common;
    addCommonOptions(app, common);

    auto* ports = app.add_subcommand("ports", "list the ports as the window shows them");

    std::string savePath;
    auto* read = app.add_subcommand("read", "read the module's seven settings");
    read->add_option("--save", savePath, "also write them as a profile (TOML)");

    SettingOptions writeOptions;
    bool verify = false;
    auto* write = app.add_subcommand("write", "write settings; the others are read first");
    writeOptions.addTo(*write);
    write->add_flag("--verify", verify, "read back and compare");

    std::string profilePath;
    std::string reportPath;
    SettingOptions applyOptions;
    auto* apply = app.add_subcommand("apply", "write a profile, read back and compare");
    apply->add_option("profile", profilePath, "the profile (TOML)")->required();
    applyOptions.addTo(*apply);
    apply->add_option("--report", reportPath, "append one CSV row per run to this file");

    auto* route = app.add_subcommand("route", "read the route list");
    auto* path = app.add_subcommand("path", "read the path list");

    SendOptions send;
    auto* sendCommand = app.add_subcommand("send", "send application data to a node");
    sendCommand->add_option("--target", send.target, "target node id")
        ->required()
        ->check(CLI::Range(0, 65535));
    sendCommand->add_option("--mode", send.mode, "route mode")
        ->capture_default_str()
        ->check(CLI::IsMember({"forbidden", "auto", "force", "source"}));
    sendCommand->add_option("--jump", send.jump, "jump value")
        ->capture_default_str()
        ->check(CLI::Range(1, 7));
    sendCommand->add_option("--relays", send.relays, "relay ids for --mode source: 0005,0006")
        ->delimiter(',');
    sendCommand->add_option("--data", send.data, "hex data, such as \"01 02\"")->required();
    sendCommand->add_option("--count", send.count, "send this many times, then the summary")
        ->check(CLI::PositiveNumber);
    sendCommand->add_option("--interval", send.intervalMs, "milliseconds between sends")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);

    std::string rawBytes;
    bool asIs = false;
    auto* raw = app.add_subcommand("raw", "send bytes with their check byte, print the reply");
    raw->add_option("bytes", rawBytes, "hex bytes, such as \"01 00 03 00\"")->required();
    raw->add_flag("--as-is", asIs, "send the bytes unchanged, without a check byte");

    auto* monitorCommand = app.add_subcommand("monitor", "print every block received until Ctrl+C");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? kExitDone : kExitUsage;
    }

    catchInterrupt();
    try {
        if (*ports) return listPorts(common);
        if (common.port.empty())
            throw Failure(kExitUsage, "give the port with -p COMn or -p DEVICE");
        if (*read) return readSetup(common, savePath);
        if (*write) return writeSetup(common, writeOptions.changes(), verify);
        if (*apply) return applyProfile(common, profilePath, applyOptions.changes(), reportPath);
        if (*route) return readRoutes(common);
        if (*path) return readPath(common);
        if (*sendCommand) return sendData(common, send);
        if (*raw) return sendRaw(common, rawBytes, asIs);
        if (*monitorCommand) return monitor(common);
    } catch (const Failure& failure) {
        std::cerr << "meshcfg-cli: " << failure.what() << "\n";
        return failure.code();
    }
    return kExitUsage;
}
