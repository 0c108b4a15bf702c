#include "Options.h"

#include <charconv>
#include <functional>
#include <map>

#include "Mesh.h"
#include "PortNames.h"

namespace sim {

namespace {

constexpr unsigned kMaxBaud = 4000000;
constexpr unsigned kMaxMilliseconds = 60000;
constexpr unsigned kMaxPieces = 369;  // a route list reply, byte by byte
constexpr unsigned kMaxNoticeSeconds = 86400;
constexpr unsigned kMaxFaultPeriod = 1000000;

std::optional<unsigned> number(std::string_view text, unsigned min, unsigned max) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// Splits "A:B" at its first colon; B is empty when there is none.
std::pair<std::string_view, std::string_view> splitAtColon(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) return {text, {}};
    return {text.substr(0, colon), text.substr(colon + 1)};
}

using Setter = std::function<bool(Options&, std::string_view)>;

Setter inRange(unsigned min, unsigned max, std::function<void(Options&, unsigned)> set) {
    return [=](Options& options, std::string_view text) {
        const auto value = number(text, min, max);
        if (value) set(options, *value);
        return value.has_value();
    };
}

Setter fileName(std::optional<std::string> Options::*member) {
    return [member](Options& options, std::string_view text) {
        if (text.empty()) return false;
        options.*member = std::string(text);
        return true;
    };
}

bool setSplit(Options& options, std::string_view text) {
    const auto [count, gap] = splitAtColon(text);
    const auto pieces = number(count, 1, kMaxPieces);
    const auto gapMs = number(gap, 0, kMaxMilliseconds);
    if (!pieces || !gapMs) return false;
    options.timing.pieces = *pieces;
    options.timing.gap = std::chrono::milliseconds(*gapMs);
    return true;
}

bool setFault(Options& options, std::string_view text) {
    const auto [name, every] = splitAtColon(text);
    const auto kind = faultKindNamed(name);
    const auto period =
        every.empty() ? std::optional<unsigned>(1) : number(every, 1, kMaxFaultPeriod);
    if (!kind || !period) return false;
    options.fault = {*kind, *period};
    return true;
}

const std::map<std::string_view, Setter>& valueOptions() {
    static const std::map<std::string_view, Setter> setters{
        {"--mesh", fileName(&Options::meshFile)},
        {"--com", inRange(kFirstPort, kLastPort, [](Options& o, unsigned v) { o.firstPort = v; })},
        {"--delay",
         inRange(0, kMaxMilliseconds,
                 [](Options& o, unsigned v) { o.timing.delay = std::chrono::milliseconds(v); })},
        {"--baud", inRange(0, kMaxBaud, [](Options& o, unsigned v) { o.timing.baud = v; })},
        {"--split", setSplit},
        {"--fault", setFault},
        {"--notice-every",
         inRange(0, kMaxNoticeSeconds,
                 [](Options& o, unsigned v) { o.noticeEvery = std::chrono::seconds(v); })},
        {"--log", fileName(&Options::logFile)},
    };
    return setters;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string_view>& args) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto [name, value] = std::pair{args[i], std::optional<std::string_view>()};
        if (const auto equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            parsed.help = true;
            continue;
        }
        if (name == "--quiet" && !value) {
            parsed.options.quiet = true;
            continue;
        }
        const auto setter = valueOptions().find(name);
        if (setter == valueOptions().end()) {
            parsed.error = "unknown option '" + std::string(args[i]) + "'";
            return parsed;
        }
        if (!value && i + 1 < args.size()) value = args[++i];
        if (!value) {
            parsed.error = "option " + std::string(name) + " needs a value";
            return parsed;
        }
        if (!setter->second(parsed.options, *value)) {
            parsed.error = "bad value '" + std::string(*value) + "' for " + std::string(name);
            return parsed;
        }
    }
    return parsed;
}

std::string helpText() {
    return std::string(
               "Usage: qz470-sim [OPTION]...\n"
               "Simulates a qz-470mr mesh radio module on a pseudo-terminal, published as the "
               "first\n"
               "free COM alias from COM200 up in $XDG_RUNTIME_DIR/qz470mr (or "
               "/tmp/qz470mr-<uid>).\n"
               "Prints one line on standard output, for example\n"
               "  qz470-sim: COM200 -> /dev/pts/5\n"
               "then answers the tool until SIGINT, SIGTERM or SIGHUP, and removes its alias.\n"
               "\n"
               "Options (a value may also follow '='):\n"
               "  --mesh FILE          the mesh to report instead of the built-in one\n"
               "  --com N              first COM number to try (default 200, at most 255)\n"
               "  --delay MS           reply delay in milliseconds (default 10)\n"
               "  --baud N             pace replies like a line at N baud, 10 bits a byte\n"
               "                       (default 9600; 0: no pacing)\n"
               "  --split N:GAP_MS     send every reply in N pieces, GAP_MS apart (default 1:0)\n"
               "  --fault KIND[:EVERY] spoil every EVERY-th reply (default 1: every reply):\n"
               "                       bad-check  wrong check byte\n"
               "                       short      first half of the frame, with a fitting check\n"
               "                       silence    no reply\n"
               "                       garbage    noise bytes just before the reply\n"
               "  --notice-every S     send a receive notice from a mesh node every S seconds\n"
               "                       (default 20; 0: never)\n"
               "  --log FILE           append the request log to FILE instead of standard error\n"
               "  --quiet              no request log on standard error\n"
               "  -h, --help           show this help\n"
               "\n"
               "Request log: one line for every frame or run of bytes received, and for every\n"
               "notice sent:\n"
               "  request write-setup freq=6C8012 power=7 life=0 net=1 node=1 baud=3 parity=0\n"
               "  request read-setup | request read-route | request read-path\n"
               "  request send-data target=1 ack=0 jump=7 mode=1 relays=0 data=0102 check=ok "
               "status=00\n"
               "  request send-data target=10 ack=0 jump=3 mode=3 relays=2 via=0005,0006 data=AA "
               "check=ok status=00\n"
               "  rejected bad-check|bad-setup|bad-length|unknown-command frame=<hex>\n"
               "  rejected garbage bytes=<hex>\n"
               "  notice source=4 data=0000\n"
               "A request whose reply was spoiled ends in ' fault=<kind>'. Send status: 00 when "
               "the\n"
               "target is in the mesh, C7 when it is not, C2 when the length byte does not match\n"
               "the fields, E1 when the check byte is wrong.\n"
               "\n"
               "Exit status: 0 after a stop signal, 1 when the terminal or the alias fails, 2 for\n"
               "a bad command line, mesh file or log file.\n"
               "\n") +
           std::string(kMeshFormatHelp) + "\nThe built-in mesh:\n" + std::string(kDefaultMeshText);
}

}  // namespace sim
