// The Windows Sockets error numbers the window logic knows, in one table with the POSIX
// errno values each stands for. The window logs the number; only 10053 ends a session.
#pragma once

#include <cerrno>
#include <optional>
#include <string_view>

namespace tk::net {

// X(number, name, errno sources...)
#define QM47_WINSOCK_ERRORS(X)                         \
    X(10049, WSAEADDRNOTAVAIL, EADDRNOTAVAIL)          \
    X(10051, WSAENETUNREACH, ENETUNREACH, ENETDOWN)    \
    X(10053, WSAECONNABORTED, ECONNABORTED, ETIMEDOUT) \
    X(10054, WSAECONNRESET, ECONNRESET, EPIPE)         \
    X(10057, WSAENOTCONN, ENOTCONN)                    \
    X(10060, WSAETIMEDOUT)                             \
    X(10061, WSAECONNREFUSED, ECONNREFUSED)            \
    X(10065, WSAEHOSTUNREACH, EHOSTUNREACH)            \
    X(11001, WSAHOST_NOT_FOUND)

enum WinsockError : int {
#define QM47_WINSOCK_ENUM(number, name, ...) name = number,
    QM47_WINSOCK_ERRORS(QM47_WINSOCK_ENUM)
#undef QM47_WINSOCK_ENUM
};

std::string_view winsockErrorName(int number);

// A live connection's failure (ETIMEDOUT on an established socket is an abort, 10053).
// Anything not in the table maps to 10053 too: the connection is gone either way.
int winsockErrorFromErrno(int err);

// A connection attempt's failure: ETIMEDOUT there is the connect time-out, 10060.
int winsockConnectErrorFromErrno(int err);

}  // namespace tk::net
