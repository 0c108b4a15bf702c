// The engine's own read, the baseline of the Python module's: `bench_engine_read PORT BAUD N`
// opens the port once and prints the seconds of each of N setup reads, one a line.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Session.h"
#include "SetupExchange.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_engine_read PORT BAUD N\n");
        return 2;
    }
    try {
        modlink::CommonOptions options;
        options.port = argv[1];
        options.baud = std::atoi(argv[2]);
        options.json = true;
        modlink::Session session(options, ports::PortDirectory().resolve(options.port));
        for (int i = std::atoi(argv[3]); i > 0; --i) {
            const auto start = std::chrono::steady_clock::now();
            modlink::readSetupValues(session);
            std::printf(
                "%.6f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_engine_read: %s\n", error.what());
        return 1;
    }
    return 0;
}
