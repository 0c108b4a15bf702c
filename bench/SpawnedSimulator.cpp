#include "SpawnedSimulator.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

SpawnedSimulator::SpawnedSimulator(const std::vector<std::string>& options) {
    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<std::string> words{QZ470_SIM_PATH, "--quiet", "--notice-every", "0"};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int failed =
        ::posix_spawn(&m_pid, QZ470_SIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char line[128] = {};
    if (!failed && ::read(out[0], line, sizeof line - 1) > 0)
        std::sscanf(line, "qz470-sim: COM%d", &m_port);
    ::close(out[0]);
    if (failed) m_pid = 0;
}

SpawnedSimulator::~SpawnedSimulator() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}
