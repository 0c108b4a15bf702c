#pragma once
// The device a port stood for when it hung up, and how to tell that it is back: the port's
// name was seen leading nowhere, and now leads to a tty again. Seeing it gone first keeps a
// dying device, whose node outlives its hang-up for a moment, from counting as returned. A
// check costs a few system calls, so twice a second is free.

#include <optional>

class LostPort {
  public:
    // Call it at the hang-up: the first look is taken at once.
    explicit LostPort(int port);

    int port() const { return m_port; }
    // The port to open now that its device has returned; nothing while it is away.
    std::optional<int> returnedPort();

  private:
    bool deviceIsThere() const;

    int m_port;
    bool m_seenGone = false;
};
