#pragma once
// The shipped example lab in a running qz470-sim, for end-to-end tests: its aliases in a runtime
// folder of its own, its file a copy the test may edit and have read again. What it prints (its
// modules) and its log (the requests, what a reload did) are read as the test asks for them; the
// log goes to a file, so that a busy lab never waits for a test to read a pipe.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <memory>

#include "ScopedRuntimeDir.h"

class RunningLab {
  public:
    static constexpr int kWaitMs = 20000;
    // The link between the far end 1 (COM200) and relay 2, as the example lab writes it.
    static constexpr const char* kFirstRelayLink =
        "[[link]]\nnodes = [1, 2]\nlink_value = 52\ndelivery = 1.0\nlatency_ms = 20\n";

    // Starts the lab with this seed and waits until all its modules are served; ready() tells
    // whether they were.
    explicit RunningLab(int seed);
    ~RunningLab();
    RunningLab(const RunningLab&) = delete;
    RunningLab& operator=(const RunningLab&) = delete;

    bool ready() const { return m_ready; }
    // Waits until the lab has printed or logged words; all of that so far is output().
    bool says(const QByteArray& words, int waitMs = kWaitMs);
    QByteArray output() const;

    // Rewrites the lab's file with the text `from` taken out, or put in place of it, and has
    // the lab read it again (SIGHUP). False when the file does not hold that text.
    bool cut(const QByteArray& from) { return edit(from, {}); }
    bool edit(const QByteArray& from, const QByteArray& to);
    // SIGTERM: true when the lab ended cleanly.
    bool stop();

  private:
    std::unique_ptr<ScopedRuntimeDir> m_runtime;
    QString m_file;
    QString m_log;
    QProcess m_process;
    QByteArray m_out;
    bool m_ready = false;
};
