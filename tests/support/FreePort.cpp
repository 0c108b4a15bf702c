#include "FreePort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "FileDescriptor.h"

int freeLoopbackPort() {
    files::FileDescriptor probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!probe || ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}
