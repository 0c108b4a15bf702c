// Runs the real qz470-sim and talks to it through its alias, as the tool does.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "ControlTexts.h"
#include "FileDescriptor.h"
#include "LabFile.h"
#include "PortNames.h"
#include "RegularFiles.h"
#include "RouteLabels.h"
#include "ScopedRuntimeDir.h"
#include "Wait.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kWait = 5000ms;

// Reads from fd until count bytes have come (or, for count 0, a newline) or the deadline passes.
std::string readFrom(int fd, std::size_t count, const Deadline& deadline) {
    std::string got;
    while ((count == 0 ? got.find('\n') == std::string::npos : got.size() < count)) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, deadline.millisecondsLeft()) <= 0) break;
        char buffer[512];
        const std::size_t want = count == 0 ? 1 : std::min(sizeof buffer, count - got.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& options) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        m_stdout.reset(out[0]);
        files::FileDescriptor writeEnd(out[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> args{QZ470_SIM_PATH};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int error =
            ::posix_spawn(&m_pid, QZ470_SIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) throw std::runtime_error("cannot start " QZ470_SIM_PATH);
    }

    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    std::string nextLine() { return readFrom(m_stdout.get(), 0, Deadline(kWait)); }

    // The exit status, or -1 when it did not end normally in time.
    int waitForExit() {
        int status = 0;
        const bool ended =
            waitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, kWait);
        if (!ended) return -1;
        m_pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void signal(int number) { ::kill(m_pid, number); }

    int stop(int signal) {
        ::kill(m_pid, signal);
        return waitForExit();
    }

  private:
    pid_t m_pid = 0;
    files::FileDescriptor m_stdout;
};

files::FileDescriptor openPort(const std::string& path) {
    files::FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios settings{};
    if (fd && ::tcgetattr(fd.get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd.get(), TCSANOW, &settings);
    }
    return fd;
}

proto::Frame ask(const std::string& port, const proto::Frame& request, std::size_t replySize) {
    const files::FileDescriptor fd = openPort(port);
    if (!fd || ::write(fd.get(), request.data(), request.size()) != ssize_t(request.size())) {
        return {};
    }
    const std::string reply = readFrom(fd.get(), replySize, Deadline(kWait));
    return proto::Frame(reply.begin(), reply.end());
}

class SimProgram : public testing::TestWithParam<int> {
  protected:
    ScopedRuntimeDir m_runtime;
    std::string m_log = m_runtime.path() + "/requests.log";
};

TEST_P(SimProgram, PublishesItsAliasAnswersAndRemovesTheAliasWhenStopped) {
    SimProcess sim({"--baud", "0", "--notice-every", "0", "--log", m_log});
    const std::string line = sim.nextLine();
    std::smatch match;
    ASSERT_TRUE(
        std::regex_match(line, match, std::regex("qz470-sim: COM200 -> (/dev/pts/[0-9]+)\n")))
        << line;
    const std::string alias = ports::aliasDirectory() + "/COM200";
    EXPECT_EQ(fs::read_symlink(alias), match[1].str());

    const auto setup =
        proto::setupValuesIn(ask(alias, proto::encode(proto::ReadSetupRequest{}), 18));
    ASSERT_TRUE(setup);
    EXPECT_EQ(forms::setupFieldsOf(*setup).frequencyText, "434.00");
    // The port closed and opened again is still the module's line.
    const auto routes =
        forms::decodeRouteList(ask(alias, proto::encode(proto::RouteListRequest{}), 369));
    ASSERT_TRUE(routes);
    EXPECT_EQ(routes->localNode, "1");

    EXPECT_EQ(sim.stop(GetParam()), 0);
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(alias)));
    std::ifstream log(m_log);
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_EQ(logged, "request read-setup\nrequest read-route\n");
}

INSTANTIATE_TEST_SUITE_P(StopSignals, SimProgram, testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "term" : "int"; });

bool markedExclusive(const std::string& port) {
    const files::FileDescriptor fd(
        ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    int exclusive = 0;
    return fd && ::ioctl(fd.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

// A tool killed with the port open leaves it marked exclusive; the simulator clears the mark
// once the tool's lock is gone, so the next open works for a normal user too.
TEST(SimProgramKilledTool, ExclusiveMarkOfAKilledToolIsCleared) {
    ScopedRuntimeDir runtime;
    SimProcess sim({"--baud", "0", "--notice-every", "0", "--quiet"});
    ASSERT_NE(sim.nextLine(), "");
    const std::string port = ports::aliasDirectory() + "/COM200";

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t tool = ::fork();
    ASSERT_GE(tool, 0);
    if (tool == 0) {  // opens the port as the tool does, then dies without closing it
        const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) _exit(1);
        [[maybe_unused]] const ssize_t told = ::write(ready[1], "x", 1);
        ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    // While the tool holds the port, its mark stays.
    EXPECT_FALSE(waitUntil([&] { return !markedExclusive(port); }, 1200ms));
    ::kill(tool, SIGKILL);
    ::waitpid(tool, nullptr, 0);
    EXPECT_TRUE(waitUntil([&] { return !markedExclusive(port); }, kWait));
}

// SIGUSR1 pulls the cable: the open port hangs up. SIGUSR2 plugs it back under the same alias,
// announced again, and the module answers with the settings it had.
TEST(SimProgramCable, PulledCableHangsUpAndComesBackUnderTheSameAlias) {
    const ScopedRuntimeDir runtime;
    const std::string log = runtime.path() + "/requests.log";
    SimProcess sim({"--baud", "0", "--notice-every", "0", "--log", log});
    const std::string announced = sim.nextLine();
    ASSERT_NE(announced, "");
    const std::string alias = ports::aliasDirectory() + "/COM200";
    const files::FileDescriptor before = openPort(alias);
    ASSERT_TRUE(before);

    sim.signal(SIGUSR1);
    pollfd entry{before.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, static_cast<int>(kWait.count())), 1);
    EXPECT_NE(entry.revents & POLLHUP, 0);
    EXPECT_FALSE(openPort(alias));
    // Never the closed terminal: another program's new terminal may take its number.
    EXPECT_EQ(fs::read_symlink(alias), "unplugged");

    sim.signal(SIGUSR2);
    EXPECT_TRUE(
        std::regex_match(sim.nextLine(), std::regex("qz470-sim: COM200 -> /dev/pts/[0-9]+\n")));
    const auto setup =
        proto::setupValuesIn(ask(alias, proto::encode(proto::ReadSetupRequest{}), 18));
    ASSERT_TRUE(setup);
    EXPECT_EQ(forms::setupFieldsOf(*setup).frequencyText, "434.00");
    EXPECT_EQ(sim.stop(SIGTERM), 0);
    std::ifstream in(log);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "cable pulled\ncable plugged in\nrequest read-setup\n");
}

TEST(SimProgramMesh, BadMeshFileStopsItBeforeItPublishes) {
    const ScopedRuntimeDir runtime;
    const std::string mesh = runtime.path() + "/bad.mesh";
    std::ofstream(mesh) << "local 1\nroute 2 via\n";
    SimProcess sim({"--mesh", mesh});
    EXPECT_EQ(sim.nextLine(), "");
    EXPECT_EQ(sim.waitForExit(), 2);
    EXPECT_FALSE(fs::exists(ports::aliasDirectory() + "/COM200"));
}

}  // namespace

namespace {

std::string routeTargets(const std::string& port) {
    const auto routes = forms::decodeRouteList(
        ask(port, proto::encode(proto::RouteListRequest{}), proto::kRouteListReplySize));
    if (!routes) return "no reply";
    std::string text;
    for (std::size_t k = 0; k < routes->targetNodes.size(); ++k)
        text += routes->targetNodes[k] + ":" + routes->routeNodes[k] + " ";
    return text;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Modules 1 to 3 at 115200 baud, 4 on COM207; 1-2-3-4 in a chain, and 1-3 if asked.
std::string labText(bool fourPowered, bool oneToThree) {
    std::string text;
    for (const char* id : {"1", "2", "3"})
        text += std::string("[[node]]\nid = ") + id + "\nuart_baud = 115200\n";
    text += "[[node]]\nid = 4\ncom = 207\n";
    if (!fourPowered) text += "powered = false\n";
    for (const char* pair : {"1, 2", "2, 3", "3, 4"})
        text += std::string("[[link]]\nnodes = [") + pair + "]\nlink_value = 50\nlatency_ms = 5\n";
    if (oneToThree) text += "[[link]]\nnodes = [1, 3]\nlink_value = 90\n";
    return text;
}

TEST(LabProgram, BadFileStopsItBeforeItPublishes) {
    const ScopedRuntimeDir runtime;
    const std::string lab = runtime.path() + "/lab.toml";
    std::ofstream(lab) << labText(true, true) << "[[node]]\nid = 4\n";
    SimProcess sim({"--lab", lab});
    EXPECT_EQ(sim.nextLine(), "");
    EXPECT_EQ(sim.waitForExit(), 2);
    EXPECT_FALSE(fs::exists(ports::aliasDirectory() + "/COM200"));
}

// One process serves every module's port; the file read again on SIGHUP cuts a link and
// switches a module on, a file that does not read changes nothing, and the cables go and come.
TEST(LabProgram, ServesEveryModuleAndReadsItsFileAgainOnHangUp) {
    const ScopedRuntimeDir runtime;
    const std::string lab = runtime.path() + "/lab.toml";
    const std::string log = runtime.path() + "/requests.log";
    const std::string dir = ports::aliasDirectory();
    std::ofstream(lab) << labText(false, true);
    SimProcess sim({"--lab", lab, "--delay", "0", "--seed", "1", "--log", log});
    const std::regex plugged("qz470-sim: COM20([0-2]) -> /dev/pts/[0-9]+ \\(node ([1-3])\\)\n");
    for (int k = 0; k < 3; ++k) {
        std::smatch match;
        const std::string line = sim.nextLine();
        ASSERT_TRUE(std::regex_match(line, match, plugged)) << line;
        EXPECT_EQ(std::stoi(match[1]) + 1, std::stoi(match[2]));
    }
    EXPECT_EQ(sim.nextLine(), "qz470-sim: COM207 -> switched-off (node 4)\n");
    EXPECT_EQ(sim.nextLine(), "qz470-sim: lab of 4 modules ready\n");
    EXPECT_FALSE(openPort(dir + "/COM207"));
    EXPECT_EQ(routeTargets(dir + "/COM200"), "2:2 3:3 ");

    // Data sent from 1 comes out of 3's port byte for byte.
    const files::FileDescriptor target = openPort(dir + "/COM202");
    const std::vector<std::uint8_t> data{0x05, 0x00, 0x82, 0x00, 0xFF};
    const proto::Frame confirmed = proto::encode(proto::SendStatus{3, proto::kStatusOk});
    const proto::Frame confirmation = ask(
        dir + "/COM200",
        proto::encode(proto::SendDataRequest{.target = 3, .jump = 7, .routeMode = 1, .data = data}),
        confirmed.size());
    EXPECT_EQ(confirmation, confirmed);
    const proto::Frame notice =
        proto::encode(proto::ReceiveNotice{proto::NoticeContent{1, 90, data}});
    const std::string arrived = readFrom(target.get(), notice.size(), Deadline(kWait));
    EXPECT_EQ(proto::Frame(arrived.begin(), arrived.end()), notice);

    std::ofstream(lab) << labText(true, false);
    sim.signal(SIGHUP);
    EXPECT_TRUE(std::regex_match(
        sim.nextLine(), std::regex("qz470-sim: COM207 -> /dev/pts/[0-9]+ \\(node 4\\)\n")));
    EXPECT_EQ(routeTargets(dir + "/COM200"), "2:2 3:2 4:2 ");

    std::ofstream(lab) << "[[node]\n";
    sim.signal(SIGHUP);
    EXPECT_TRUE(waitUntil([&] {
        return fileText(log).find("reload refused: " + lab + ":1: ") != std::string::npos;
    }));
    EXPECT_EQ(routeTargets(dir + "/COM200"), "2:2 3:2 4:2 ");

    const files::FileDescriptor before = openPort(dir + "/COM201");
    sim.signal(SIGUSR1);
    pollfd entry{before.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, static_cast<int>(kWait.count())), 1);
    EXPECT_NE(entry.revents & POLLHUP, 0);
    EXPECT_EQ(fs::read_symlink(dir + "/COM201"), "unplugged");
    sim.signal(SIGUSR2);
    for (int k = 0; k < 4; ++k) EXPECT_NE(sim.nextLine(), "");
    EXPECT_EQ(routeTargets(dir + "/COM201"), "1:1 3:3 4:3 ");

    EXPECT_EQ(sim.stop(SIGTERM), 0);
    for (const char* alias : {"/COM200", "/COM201", "/COM202", "/COM207"})
        EXPECT_FALSE(fs::is_symlink(fs::symlink_status(dir + alias))) << alias;
    const std::string logged = fileText(log);
    EXPECT_NE(logged.find("node=1 request send-data target=3 ack=0 jump=7 mode=1 relays=0 "
                          "data=05008200FF check=ok status=00 route=3\n"),
              std::string::npos)
        << logged;
    EXPECT_NE(logged.find("node=3 notice source=1 link=90 data=05008200FF\n"), std::string::npos);
    EXPECT_NE(logged.find("node=4 switched on\nlab reloaded: 3 links\n"), std::string::npos);
    EXPECT_NE(logged.find("node=2 cable pulled\n"), std::string::npos);
}

}  // namespace

namespace {

// A simulator's files in a runtime folder of their own.
class SimRun : public testing::Test {
  protected:
    ScopedRuntimeDir m_runtime;
    std::string m_lab = m_runtime.path() + "/lab.toml";
    std::string m_log = m_runtime.path() + "/requests.log";
};

// Waits until the log holds the words.
bool logSays(const std::string& log, const std::string& words) {
    return waitUntil([&] { return fileText(log).find(words) != std::string::npos; });
}

// A thousand sends written at once fill the module's input buffer: what does not fit is dropped
// and told once, and the next request is answered with nothing stale before its reply.
TEST_F(SimRun, AfterAFloodTheNextRequestIsAnsweredAsUsual) {
    SimProcess sim({"--notice-every", "0", "--log", m_log});
    ASSERT_NE(sim.nextLine(), "");
    const files::FileDescriptor port = openPort(ports::aliasDirectory() + "/COM200");
    const proto::Frame send = proto::encode(
        proto::SendDataRequest{.target = 2, .jump = 7, .routeMode = 1, .data = {1, 2, 3}});
    std::string sends;
    for (int k = 0; k < 1000; ++k) sends.append(send.begin(), send.end());
    ASSERT_EQ(files::writeAll(port.get(), sends), 0);
    EXPECT_TRUE(logSays(m_log, "\nCOM200 input overflow: "));
    ::tcflush(port.get(), TCIFLUSH);  // as the tool does when it opens the port
    EXPECT_TRUE(proto::setupValuesIn(
        ask(ports::aliasDirectory() + "/COM200", proto::encode(proto::ReadSetupRequest{}), 18)));
}

// What a lab file must be: a regular file of a sane size, read at the start and on SIGHUP.
struct UnreadableLabFile {
    const char* tag;
    void (*make)(const std::string& path);
    const char* problem;
};

const UnreadableLabFile kBadLabFiles[] = {
    {"folder", [](const std::string& path) { fs::create_directory(path); }, "a folder, not a file"},
    {"fifo", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, "not a regular file"},
    {"endless_device", [](const std::string& path) { fs::create_symlink("/dev/zero", path); },
     "not a regular file"},
    {"too_large",
     [](const std::string& path) {
         std::ofstream(path) << labText(true, true) << "#"
                             << std::string(sim::kMaxLabFileBytes, 'x') << "\n";
     },
     "larger than 4 MiB"},
};

void PrintTo(const UnreadableLabFile& bad, std::ostream* out) {
    *out << bad.tag;
}

class LabProgramBadFile : public SimRun,
                          public testing::WithParamInterface<std::tuple<UnreadableLabFile, bool>> {
};

// Refused before anything is published; swapped in before a SIGHUP, said and the lab runs on;
// either way no alias is left behind.
TEST_P(LabProgramBadFile, IsRefusedAndLeavesNoAliasBehind) {
    const auto& [bad, swapped] = GetParam();
    if (swapped) std::ofstream(m_lab) << labText(true, true);
    if (!swapped) bad.make(m_lab);
    SimProcess sim({"--lab", m_lab, "--log", m_log});
    if (swapped) {
        for (int k = 0; k < 5; ++k) ASSERT_NE(sim.nextLine(), "");
        fs::remove(m_lab);
        bad.make(m_lab);
        sim.signal(SIGHUP);
        EXPECT_TRUE(
            logSays(m_log, "reload refused: " + m_lab + ": cannot be read: " + bad.problem + "\n"));
        EXPECT_EQ(routeTargets(ports::aliasDirectory() + "/COM200"), "2:2 3:3 4:3 ");
        EXPECT_EQ(sim.stop(SIGTERM), 0);
    } else {
        EXPECT_EQ(sim.nextLine(), "");
        EXPECT_EQ(sim.waitForExit(), 2);
    }
    EXPECT_TRUE(!fs::exists(ports::aliasDirectory()) || fs::is_empty(ports::aliasDirectory()));
}

INSTANTIATE_TEST_SUITE_P(Kinds, LabProgramBadFile,
                         testing::Combine(testing::ValuesIn(kBadLabFiles), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).tag) +
                                    (std::get<1>(info.param) ? "_on_sighup" : "_at_start");
                         });

// A module's alias removed by hand and taken by someone else's link touches that module alone:
// the lab says so, leaves the link be, and serves every module on.
TEST_F(SimRun, AliasTakenFromOneModuleAffectsThatModuleAlone) {
    const std::string dir = ports::aliasDirectory();
    std::ofstream(m_lab) << labText(true, true);
    SimProcess sim({"--lab", m_lab, "--log", m_log});
    for (int k = 0; k < 5; ++k) ASSERT_NE(sim.nextLine(), "");
    fs::remove(dir + "/COM201");
    fs::create_symlink("/dev/ttyUSB9", dir + "/COM201");

    sim.signal(SIGUSR1);
    EXPECT_TRUE(logSays(m_log, "node=2 COM201 was removed or replaced by someone else"));
    EXPECT_EQ(fs::read_symlink(dir + "/COM200"), "unplugged");
    sim.signal(SIGUSR2);
    std::vector<std::string> announced;
    for (int k = 0; k < 4; ++k) announced.push_back(sim.nextLine());
    EXPECT_TRUE(std::regex_match(
        announced[1], std::regex("qz470-sim: node 2 -> /dev/pts/[0-9]+ \\(COM201 is no longer "
                                 "its alias\\)\n")))
        << announced[1];
    EXPECT_EQ(routeTargets(dir + "/COM202"), "1:1 2:2 4:4 ");

    EXPECT_EQ(sim.stop(SIGTERM), 0);
    EXPECT_EQ(fs::read_symlink(dir + "/COM201"), "/dev/ttyUSB9");
    for (const char* alias : {"/COM200", "/COM202", "/COM207"})
        EXPECT_FALSE(fs::is_symlink(fs::symlink_status(dir + alias))) << alias;
}

}  // namespace
