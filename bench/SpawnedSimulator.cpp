#include "SpawnedSimulator.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

extern char** environ;

SpawnedSimulator::SpawnedSimulator(const std::vector<std::string>& options)
    : SpawnedSimulator(
          [&] {
              std::vector<std::string> words{QZ470_SIM_PATH, "--quiet", "--notice-every", "0"};
              words.insert(words.end(), options.begin(), options.end());
              return words;
          }(),
          "\n") {}

std::unique_ptr<SpawnedSimulator> SpawnedSimulator::lab(const std::string& file,
                                                        const std::vector<std::string>& options) {
    std::vector<std::string> words{QZ470_SIM_PATH, "--quiet", "--lab", file};
    words.insert(words.end(), options.begin(), options.end());
    return std::unique_ptr<SpawnedSimulator>(new SpawnedSimulator(std::move(words), " ready\n"));
}

SpawnedSimulator::SpawnedSimulator(std::vector<std::string> words, std::string_view until) {
    const SpawnedOutput spawned = spawnReadingOutput(std::move(words));
    m_pid = spawned.pid;
    if (spawned.out < 0) return;
    std::string said;
    char buffer[4096];
    for (ssize_t n; m_pid > 0 && said.find(until) == std::string::npos &&
                    (n = ::read(spawned.out, buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    if (said.find(until) != std::string::npos)
        std::sscanf(said.c_str(), "qz470-sim: COM%d", &m_port);
    ::close(spawned.out);
}

SpawnedSimulator::~SpawnedSimulator() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}

SpawnedOutput spawnReadingOutput(std::vector<std::string> words) {
    int out[2];
    if (::pipe(out) != 0) return {};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    SpawnedOutput spawned;
    if (::posix_spawn(&spawned.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        spawned.pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    spawned.out = out[0];
    return spawned;
}

pid_t spawnWithoutOutput(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) child = 0;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

std::optional<RunCost> runToEnd(const std::string& program, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), program);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = spawnWithoutOutput(std::move(arguments));
    if (child == 0) return std::nullopt;
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return RunCost{wall, ms(usage.ru_utime) + ms(usage.ru_stime)};
}
