#include "Options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <functional>
#include <limits>

#include "LabFile.h"
#include "LabMesh.h"
#include "PortNames.h"

namespace sim {

namespace {

constexpr unsigned kMaxBaud = 4000000;
constexpr unsigned kMaxMilliseconds = 60000;
constexpr unsigned kMaxPieces = proto::kRouteListReplySize;  // a route list reply, byte by byte
constexpr unsigned kMaxNoticeSeconds = 86400;
constexpr unsigned kMaxFaultPeriod = 1000000;
constexpr std::size_t kHelpColumn = 23;

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

const char* const kIntro =
    "Simulates a qz-470mr mesh radio module on a pseudo-terminal, published as the first\n"
    "free COM alias from COM200 up in $XDG_RUNTIME_DIR/qz470mr (or /tmp/qz470mr-<uid>).\n"
    "Prints one line on standard output, for example\n"
    "  qz470-sim: COM200 -> /dev/pts/5\n"
    "then answers the tool until SIGINT, SIGTERM or SIGHUP, and removes its alias.\n"
    "SIGUSR1 pulls the cable: the terminal closes, so the tool sees a hang-up, and the\n"
    "alias dangles. SIGUSR2 plugs it back: a new terminal under the same alias, announced\n"
    "by a new line on standard output. The module keeps its settings meanwhile.\n";

const char* const kAfterOptions =
    "A value may also follow '='.\n"
    "\n"
    "Request log: one line for every frame or run of bytes received, and for every\n"
    "notice sent:\n"
    "  request write-setup freq=6C8012 power=7 life=0 net=1 node=1 baud=3 parity=0\n"
    "  request read-setup | request read-route | request read-path\n"
    "  request send-data target=1 ack=0 jump=7 mode=1 relays=0 data=0102 check=ok status=00\n"
    "  request send-data target=10 ack=0 jump=3 mode=3 relays=2 via=0005,0006 data=AA "
    "check=ok status=00\n"
    "  rejected bad-check|bad-setup|bad-length|unknown-command frame=<hex>\n"
    "  rejected garbage bytes=<hex>\n"
    "  notice source=4 data=0000\n"
    "  cable pulled | cable plugged in\n"
    "  COM200 input overflow: 4711 bytes dropped\n"
    "  COM200 output overflow: 3 frames dropped\n"
    "A request whose reply was spoiled ends in ' fault=<kind>'. Send status: 00 when the\n"
    "data reached the target, C7 when the target is not in the mesh, C2 when the length\n"
    "byte does not match the fields, E1 when the check byte is wrong, E7 when the first hop\n"
    "lost it and D2 when a later hop did; then the request ends in ' lost=<from>-<to>'.\n"
    "\n"
    "The module takes in what the tool writes at the line's pace, into an input buffer of\n"
    "512 bytes. A tool that writes faster fills it: what comes while it is full is dropped,\n"
    "and so is all that follows until the line has carried what the buffer held; the frame\n"
    "the drop cut is logged as garbage. What the module says waits in an output buffer of\n"
    "1024 bytes; a frame that does not fit is dropped. Each overflow is logged once, a\n"
    "second after its last drop, with its count.\n"
    "\n"
    "Exit status: 0 after a stop signal, 1 when the terminal or the alias fails, 2 for\n"
    "a bad command line, mesh file or log file.\n"
    "\n";

// Declares every option of the command line; the parse stores what it reads in parsed.
void declareOptions(CLI::App& app, ParsedOptions& parsed) {
    app.set_help_flag();  // our own, below: help is a result, not an exception
    app.allow_extras();   // so an unknown word is reported by name
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_formatter()->column_width(kHelpColumn);
    const auto option = [&](const std::string& name, const std::string& value,
                            const std::string& description, Setter set) {
        app.add_option(
               name,
               [&parsed, name, set](const CLI::results_t& results) {
                   if (!set(parsed.options, results.back())) {
                       throw CLI::ValidationError("bad value '" + results.back() + "' for " + name);
                   }
                   return true;
               },
               description)
            ->type_name(value);
    };
    option("--mesh", "FILE", "the mesh to report instead of the built-in one",
           fileName(&Options::meshFile));
    option("--lab", "FILE",
           "a lab: every module of FILE on a port of its own, with the\n"
           "radio links between them (see below and qz470-sim(1))",
           fileName(&Options::labFile));
    option("--com", "N", "first COM number to try (default 200, at most 255)",
           inRange(ports::kFirstPort, ports::kLastPort,
                   [](Options& o, unsigned v) { o.firstPort = v; }));
    option("--delay", "MS", "reply delay in milliseconds (default 10)",
           inRange(0, kMaxMilliseconds,
                   [](Options& o, unsigned v) { o.timing.delay = std::chrono::milliseconds(v); }));
    option("--baud", "N",
           "pace the line at N baud both ways, 10 bits a byte, 11 with\n"
           "the parity written to the module (default 9600; 0: no pacing)",
           inRange(0, kMaxBaud, [](Options& o, unsigned v) { o.timing.baud = v; }));
    option("--split", "N:GAP_MS", "send every reply in N pieces, GAP_MS apart (default 1:0)",
           setSplit);
    option("--fault", "KIND[:EVERY]",
           "spoil every EVERY-th reply (default 1: every reply):\n"
           "bad-check  wrong check byte\n"
           "short      first half of the frame, with a fitting check\n"
           "silence    no reply\n"
           "garbage    noise bytes just before the reply",
           setFault);
    option("--notice-every", "S",
           "send a receive notice from a mesh node every S seconds\n(default 20; 0: never)",
           inRange(0, kMaxNoticeSeconds,
                   [](Options& o, unsigned v) { o.noticeEvery = std::chrono::seconds(v); }));
    app.add_flag("--notice-before-reply", parsed.options.noticeBeforeReply,
                 "put a receive notice right in front of every reply");
    option("--ack-length", "N",
           "acknowledge a write with N bytes, the setup echoed cut or padded\n"
           "with zeros (5 to 260; default 18)",
           inRange(proto::frameSize(0), proto::frameSize(0xFF),
                   [](Options& o, unsigned v) { o.ackLength = v; }));
    option("--seed", "N",
           "draw the links' losses from seed N, so a run can be repeated\n"
           "(default: a new seed every run)",
           inRange(0, std::numeric_limits<unsigned>::max(),
                   [](Options& o, unsigned v) { o.seed = v; }));
    option("--log", "FILE", "append the request log to FILE instead of standard error",
           fileName(&Options::logFile));
    app.add_flag("--quiet", parsed.options.quiet, "no request log on standard error");
    app.add_flag("-h,--help", parsed.help, "show this help");
}

// What a single module's options say that a lab decides otherwise; empty when nothing.
std::string labConflict(const CLI::App& app) {
    if (app.count("--mesh") > 0)
        return "--lab and --mesh exclude each other: a lab's modules report the mesh they make";
    if (app.count("--baud") > 0)
        return "--baud does not go with --lab: each module is paced at its own uart_baud";
    for (const char* option : {"--notice-every", "--notice-before-reply"})
        if (app.count(option) > 0)
            return std::string(option) +
                   " does not go with --lab: its modules' notices are the data they send each "
                   "other";
    return {};
}

// "--name=" is read by CLI11 as "--name" still waiting for its value, which would take the next
// word; here it is the empty value.
std::vector<std::string> wordsReversed(const std::vector<std::string_view>& args) {
    std::vector<std::string> words;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
        if (arg->starts_with("--") && arg->ends_with('=')) {
            words.emplace_back();
            words.emplace_back(arg->substr(0, arg->size() - 1));
        } else {
            words.emplace_back(*arg);
        }
    }
    return words;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string_view>& args) {
    ParsedOptions parsed;
    CLI::App app;
    declareOptions(app, parsed);
    std::vector<std::string> words = wordsReversed(args);
    try {
        app.parse(words);
    } catch (const CLI::ArgumentMismatch&) {
        // An option takes the next word whatever it is, so only the last word can lack one.
        const std::string_view last = args.back();
        parsed.error = "option " + std::string(last.substr(0, last.find('='))) + " needs a value";
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.error = error.what();
        return parsed;
    }
    if (const auto extra = app.remaining(); !extra.empty()) {
        parsed.error = "unknown option '" + extra.front() + "'";
    } else if (parsed.options.labFile) {
        parsed.error = labConflict(app);
    }
    return parsed;
}

std::string helpText() {
    ParsedOptions unused;
    CLI::App app(kIntro, "qz470-sim");
    declareOptions(app, unused);
    app.footer(std::string(kAfterOptions) + std::string(kMeshFormatHelp) + "\n" +
               std::string(kLabFormatHelp) + "\nThe built-in mesh:\n" +
               std::string(kDefaultMeshText));
    return app.help();
}

}  // namespace sim
