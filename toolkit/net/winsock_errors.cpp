#include "toolkit/net/winsock_errors.h"

#include <array>

namespace tk::net {

namespace {

struct Row {
    std::string_view name;
    int number;
    std::array<int, 3> sources;  // unused places are 0, never an errno
};

#define QM47_WINSOCK_ROW(number, name, ...) Row{#name, number, {__VA_ARGS__}},
const Row kRows[] = {QM47_WINSOCK_ERRORS(QM47_WINSOCK_ROW)};
#undef QM47_WINSOCK_ROW

}  // namespace

std::string_view winsockErrorName(int number) {
    for (const Row& row : kRows) {
        if (row.number == number) {
            return row.name;
        }
    }
    return "unknown";
}

int winsockErrorFromErrno(int err) {
    for (const Row& row : kRows) {
        for (int source : row.sources) {
            if (source != 0 && source == err) {
                return row.number;
            }
        }
    }
    return WSAECONNABORTED;
}

int winsockConnectErrorFromErrno(int err) {
    if (err == ETIMEDOUT) {
        return WSAETIMEDOUT;
    }
    const int number = winsockErrorFromErrno(err);
    // An attempt that fails for an unlisted reason did not reach the peer.
    return number == WSAECONNABORTED ? WSAENETUNREACH : number;
}

}  // namespace tk::net
