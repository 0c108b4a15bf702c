// Figures 2 and 3: what the serial port object costs a received byte, each beside the bare
// read loop on another pty in the same run. Byte latency: one byte written on the master to
// its arrival in OnReceiveByte. Throughput: 10 MB through the pty. Losses: QZSerial under the
// same flood, whose 1024-byte receive buffer overflows by design, and in blocks that fit it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

#include "BareReader.h"
#include "ByteCounter.h"
#include "PortAlias.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = ByteCounter::Clock;
using Run = benchmark::BenchmarkReporter::Run;

constexpr int kAliasPort = 200;
constexpr int kBaud = 115200;
struct Sizes {
    std::size_t floodBytes;
    int latencySamples;
    int latencyRepetitions;
    int blocks;
    int floodPairs;
};
constexpr Sizes kFullSizes{10 * 1000 * 1000, 2000, 3, 100, 9};
constexpr Sizes kShortSizes{100 * 1000, 20, 1, 3, 2};
constexpr auto kByteLimit = std::chrono::milliseconds(2000);
constexpr auto kFloodLimit = std::chrono::milliseconds(60000);
// A flood still short of its total this long after the last write has lost bytes.
constexpr auto kDrainLimit = std::chrono::milliseconds(3000);

// OnReceiveByte at its cheapest: count the byte.
class CountingSerial : public serial::CXSerial {
  public:
    explicit CountingSerial(ByteCounter& counter) : m_counter(counter) {}
    ~CountingSerial() override { Close(); }
    void OnReceiveByte(unsigned char) override { m_counter.add(1); }

  private:
    ByteCounter& m_counter;
};

// QZSerial as the window has it; counting each byte too tells when a flood is through, which
// the buffer cannot, since it keeps only its first 1024 bytes.
class CountedQZSerial : public serial::QZSerial {
  public:
    explicit CountedQZSerial(ByteCounter& counter) : m_counter(counter) {}
    ~CountedQZSerial() override { Close(); }
    void OnReceiveByte(unsigned char byte) override {
        serial::QZSerial::OnReceiveByte(byte);
        m_counter.add(1);
    }

  private:
    ByteCounter& m_counter;
};

// A pty published as COM200, the way a port of the tool is reached.
struct PortLine {
    PtyPair pty;
    PortAlias alias{kAliasPort, pty.slavePath()};
};

// The port under test and the bare loop beside it, each on a pty of its own.
struct Receivers {
    PortLine line;
    ByteCounter portBytes;
    CountingSerial port{portBytes};
    PtyPair bare;
    ByteCounter bareBytes;
    BareReader reader{bare.slaveFd(), bareBytes};

    bool open() { return port.Open(ports::PortDirectory().target(kAliasPort), kBaud, 0); }
};

std::optional<double> byteMicroseconds(PtyPair& pty, ByteCounter& counter) {
    counter.expect(1);
    const std::uint8_t byte = 0x5A;
    const Clock::time_point sent = Clock::now();
    if (!pty.writeMaster({&byte, 1})) return std::nullopt;
    const std::optional<Clock::time_point> arrived = counter.waitComplete(kByteLimit);
    if (!arrived) return std::nullopt;
    return std::chrono::duration<double, std::micro>(*arrived - sent).count();
}

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

struct FloodResult {
    std::size_t bytes = 0;
    double seconds = 0;
    std::size_t lost = 0;
};

FloodResult flood(PtyPair& pty, ByteCounter& counter, const std::vector<std::uint8_t>& bytes) {
    counter.expect(bytes.size());
    const Clock::time_point start = Clock::now();
    const bool written = pty.writeMaster(bytes, kFloodLimit);
    const std::optional<Clock::time_point> done = counter.waitComplete(kDrainLimit);
    const Clock::time_point end = done.value_or(Clock::now());
    const std::size_t lost = written && done ? 0 : bytes.size() - counter.count();
    return {bytes.size(), std::chrono::duration<double>(end - start).count(), lost};
}

void latency(benchmark::State& state) {
    Receivers receivers;
    if (!receivers.open()) return state.SkipWithError(receivers.port.lastError().c_str());

    std::vector<double> serialUs;
    std::vector<double> bareUs;
    for (auto _ : state) {
        // Interleaved, so both see the same moments of a noisy machine.
        const std::optional<double> viaPort =
            byteMicroseconds(receivers.line.pty, receivers.portBytes);
        const std::optional<double> viaBare = byteMicroseconds(receivers.bare, receivers.bareBytes);
        if (!viaPort || !viaBare) return state.SkipWithError("a byte did not arrive");
        serialUs.push_back(*viaPort);
        bareUs.push_back(*viaBare);
    }
    state.counters["port_p50_us"] = percentile(serialUs, 50);
    state.counters["port_p99_us"] = percentile(serialUs, 99);
    state.counters["bare_p50_us"] = percentile(bareUs, 50);
    state.counters["bare_p99_us"] = percentile(bareUs, 99);
}

double megabytesPerSecond(const FloodResult& result) {
    return result.bytes / 1e6 / result.seconds;
}

// Floods of the port and of the bare loop in pairs, first one then the other in turn, so each
// ratio compares two floods of the same moment of a noisy machine.
void throughput(benchmark::State& state, std::size_t floodBytes) {
    Receivers receivers;
    if (!receivers.open()) return state.SkipWithError(receivers.port.lastError().c_str());
    const std::vector<std::uint8_t> bytes = pattern(floodBytes);

    std::vector<double> portRates, bareRates, slowdowns;
    std::size_t portLost = 0;
    std::size_t bareLost = 0;
    bool portFirst = true;
    for (auto _ : state) {
        FloodResult viaPort, viaBare;
        const auto floodPort = [&] {
            return flood(receivers.line.pty, receivers.portBytes, bytes);
        };
        if (portFirst) viaPort = floodPort();
        viaBare = flood(receivers.bare, receivers.bareBytes, bytes);
        if (!portFirst) viaPort = floodPort();
        portFirst = !portFirst;
        portRates.push_back(megabytesPerSecond(viaPort));
        bareRates.push_back(megabytesPerSecond(viaBare));
        slowdowns.push_back(viaPort.seconds / viaBare.seconds);
        portLost += viaPort.lost;
        bareLost += viaBare.lost;
    }
    state.counters["port_MB_per_s"] = percentile(portRates, 50);
    state.counters["bare_MB_per_s"] = percentile(bareRates, 50);
    state.counters["slowdown"] = percentile(slowdowns, 50);
    state.counters["port_lost"] = static_cast<double>(portLost);
    state.counters["bare_lost"] = static_cast<double>(bareLost);
}

// Cuts the pending block as the window's timer would, four ticks after the last byte.
std::optional<serial::ReceivedBlock> cutBlock(serial::QZSerial& port) {
    std::optional<serial::ReceivedBlock> block;
    for (int tick = 0; tick <= serial::ReceiveBuffer::kSilentTicks && !block; ++tick)
        block = port.receiveBuffer().tick();
    return block;
}

void qzFlood(benchmark::State& state, std::size_t floodBytes) {
    PortLine line;
    ByteCounter counter;
    CountedQZSerial port(counter);
    if (!port.Open(ports::PortDirectory().target(kAliasPort), kBaud, 0))
        return state.SkipWithError(port.lastError().c_str());
    const std::vector<std::uint8_t> bytes = pattern(floodBytes);
    for (auto _ : state) {
        const FloodResult result = flood(line.pty, counter, bytes);
        state.counters["MB_per_s"] = megabytesPerSecond(result);
        const serial::ReceivedBlock block = cutBlock(port).value_or(serial::ReceivedBlock{});
        const std::size_t accounted = block.bytes.size() + block.dropped;
        state.counters["kept"] = static_cast<double>(block.bytes.size());
        state.counters["dropped_counted"] = static_cast<double>(block.dropped);
        state.counters["unaccounted"] = static_cast<double>(floodBytes - accounted);
    }
}

// Blocks of the buffer's size, each cut by the ticks before the next: nothing may go.
void qzBlocks(benchmark::State& state, int blocks) {
    PortLine line;
    ByteCounter counter;
    CountedQZSerial port(counter);
    if (!port.Open(ports::PortDirectory().target(kAliasPort), kBaud, 0))
        return state.SkipWithError(port.lastError().c_str());
    std::vector<std::uint8_t> bytes = pattern(serial::ReceiveBuffer::kCapacity);
    std::size_t lost = 0;
    for (auto _ : state) {
        for (int i = 0; i < blocks; ++i) {
            std::rotate(bytes.begin(), bytes.begin() + 1, bytes.end());
            counter.expect(bytes.size());
            if (!line.pty.writeMaster(bytes)) return state.SkipWithError("write failed");
            counter.waitComplete(kByteLimit);
            const std::optional<serial::ReceivedBlock> block = cutBlock(port);
            if (!block || block->bytes != bytes || block->dropped != 0) lost += bytes.size();
        }
    }
    state.counters["sent"] = static_cast<double>(blocks * bytes.size());
    state.counters["lost"] = static_cast<double>(lost);
}

// Keeps the one result per benchmark that the table uses: the median over repetitions.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if ((median || single) && !run.error_occurred)
                m_counters[run.run_name.function_name] = run.counters;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double counter(const std::string& benchmark, const std::string& name) const {
        const auto found = m_counters.find(benchmark);
        if (found == m_counters.end()) return -1;
        const auto value = found->second.find(name);
        return value == found->second.end() ? -1 : value->second.value;
    }

  private:
    std::map<std::string, benchmark::UserCounters> m_counters;
};

void printTable(const TableReporter& results, const Sizes& sizes) {
    const auto count = [](double value) { return fixed(value, 0); };
    const double p50 = results.counter("latency", "port_p50_us");
    const double bareP50 = results.counter("latency", "bare_p50_us");
    const double p99 = results.counter("latency", "port_p99_us");
    const double bareP99 = results.counter("latency", "bare_p99_us");
    printRow({"2 byte latency p50 (us)", fixed(p50), fixed(bareP50), times(p50 / bareP50)});
    printRow({"2 byte latency p99 (us)", fixed(p99), fixed(bareP99), times(p99 / bareP99), "<= 2x",
              metText(p99 <= 2 * bareP99)});

    const double rate = results.counter("throughput", "port_MB_per_s");
    const double bareRate = results.counter("throughput", "bare_MB_per_s");
    const double slowdown = results.counter("throughput", "slowdown");
    printRow({"3 throughput 10 MB, p50 of paired floods (MB/s)", fixed(rate), fixed(bareRate),
              times(slowdown) + " slower", "<= 1.5x", metText(slowdown <= 1.5)});
    const double lost = results.counter("throughput", "port_lost");
    printRow({"3 bytes lost of " + std::to_string(sizes.floodPairs) + " x 10 MB into OnReceiveByte",
              count(lost), count(results.counter("throughput", "bare_lost")), "-", "0",
              metText(lost == 0)});

    const double qzRate = results.counter("qzserial/flood", "MB_per_s");
    printRow({"3 QZSerial 10 MB flood (MB/s)", fixed(qzRate), fixed(bareRate),
              times(bareRate / qzRate) + " slower"});
    const double unaccounted = results.counter("qzserial/flood", "unaccounted");
    printRow({"3 QZSerial 10 MB flood: kept / dropped, counted",
              count(results.counter("qzserial/flood", "kept")) + " / " +
                  count(results.counter("qzserial/flood", "dropped_counted")),
              count(sizes.floodBytes) + " sent", "-", "every drop counted",
              metText(unaccounted == 0)});
    const double blockLoss = results.counter("qzserial/blocks", "lost");
    printRow({"3 QZSerial 100 blocks of 1024 B, lost", count(blockLoss),
              count(results.counter("qzserial/blocks", "sent")) + " sent", "-", "0",
              metText(blockLoss == 0)});
}

}  // namespace

int main(int argc, char** argv) {
    const ScopedRuntimeDir runtime;  // the aliases of this run, apart from the user's
    const Sizes sizes = takeShortRun(argc, argv) ? kShortSizes : kFullSizes;
    benchmark::RegisterBenchmark("latency", latency)
        ->Iterations(sizes.latencySamples)
        ->Repetitions(sizes.latencyRepetitions);
    benchmark::RegisterBenchmark("throughput", throughput, sizes.floodBytes)
        ->Iterations(sizes.floodPairs)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("qzserial/flood", qzFlood, sizes.floodBytes)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("qzserial/blocks", qzBlocks, sizes.blocks)->Iterations(1);

    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printTable(reporter, sizes);
    return 0;
}
