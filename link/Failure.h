#pragma once
// The exit codes scripts rely on, and the failure that carries one to main.

#include <stdexcept>
#include <string>

namespace modlink {

enum ExitCode : int {
    kExitDone = 0,
    kExitRefused = 1,   // the module said no: a status other than ok, a mismatch, no route rows;
                        // or a delivery test's pair fell short
    kExitUsage = 2,     // bad command line or profile; nothing was sent
    kExitPort = 3,      // the port cannot be opened, or was lost
    kExitNoReply = 4,   // no reply within the time-out, or a reply with a wrong check byte
    kExitNoIdLeft = 5,  // the range of node ids is used up: no unit can be taken
    kExitRecord = 6,    // the line's record cannot be reached, or a row cannot be kept
    // What the command printed, or a file of its results, did not go out whole: it outranks
    // every code above, whose results were not all delivered.
    kExitOutput = 7,
    kExitInterrupted = 130,  // Ctrl+C while a request was on its way; as a shell reports SIGINT
};

// Printed by main as one line on standard error, after the port's name when there is one.
class Failure : public std::runtime_error {
  public:
    Failure(ExitCode code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}
    ExitCode code() const { return m_code; }

  private:
    ExitCode m_code;
};

// Ctrl+C during an exchange: printed as the line "interrupted".
class Interrupted : public Failure {
  public:
    explicit Interrupted(bool requestWritten)
        : Failure(kExitInterrupted, "interrupted"), m_requestWritten(requestWritten) {}
    // The request had gone out whole when Ctrl+C came; false when it was never written.
    bool requestWritten() const { return m_requestWritten; }

  private:
    bool m_requestWritten;
};

}  // namespace modlink
