#pragma once
// A qz470-sim process for the benchmarks, its stdout read for the COM alias it published.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SpawnedSimulator {
  public:
    // options come after --quiet and no unasked notices.
    explicit SpawnedSimulator(const std::vector<std::string>& options = {});
    // A lab of modules (--quiet --lab file, then options), once it says all are served;
    // port() is its first module's.
    static std::unique_ptr<SpawnedSimulator> lab(const std::string& file,
                                                 const std::vector<std::string>& options);
    ~SpawnedSimulator();
    SpawnedSimulator(const SpawnedSimulator&) = delete;
    SpawnedSimulator& operator=(const SpawnedSimulator&) = delete;

    int port() const { return m_port; }  // 0 when it named none
    pid_t pid() const { return m_pid; }

  private:
    // Spawns the words and reads what it prints up to the end of `until`.
    SpawnedSimulator(std::vector<std::string> words, std::string_view until);

    pid_t m_pid = 0;
    int m_port = 0;
};

// A program started with its stdout on a pipe: the child's id and the pipe's reading end, each
// 0 and -1 when it could not start.
struct SpawnedOutput {
    pid_t pid = 0;
    int out = -1;
};
// words[0] is the program.
SpawnedOutput spawnReadingOutput(std::vector<std::string> words);

// A program started with its stdout thrown away: the child's id, 0 when it could not start.
// words[0] is the program.
pid_t spawnWithoutOutput(std::vector<std::string> words);

// What one run of a program cost, from its spawn to its end, its stdout thrown away.
struct RunCost {
    double wallMs = 0;
    double cpuMs = 0;  // its user + system time
};
// Nothing when it could not start or did not exit 0.
std::optional<RunCost> runToEnd(const std::string& program, std::vector<std::string> arguments);
