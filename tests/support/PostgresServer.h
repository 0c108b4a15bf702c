#pragma once
// A PostgreSQL server of the test's own: a fresh cluster in a temporary folder, run by an
// unprivileged user (the server refuses to run as root), listening on a free loopback port.

#include <string>

#include "TempFolder.h"

class PostgresServer {
  public:
    // Makes the cluster; a std::runtime_error when it cannot. Call only when available().
    // A durable server syncs each commit to disk, as a line's server would; tests need not.
    explicit PostgresServer(bool durable = false);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    static bool available();
    // Both return whether pg_ctl succeeded.
    bool start();
    bool stop();

    // postgresql://meshcfg@127.0.0.1:PORT/DATABASE
    std::string url(const std::string& database = "postgres") const;
    // A new, empty database on the running server; whether createdb succeeded.
    bool createDatabase(const std::string& name);
    const TempFolder& folder() const { return m_folder; }

  private:
    bool run(const std::string& command) const;

    TempFolder m_folder;
    int m_port = 0;
    bool m_durable = false;
    bool m_running = false;
};
