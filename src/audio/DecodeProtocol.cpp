#include "audio/DecodeProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace keysound::audio::decodeprotocol {

namespace {

template <typename Message> bool receiveWhole(int socket, Message& message, msghdr& header)
{
    iovec part{&message, sizeof message};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    ssize_t n;
    do {
        n = ::recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(sizeof message) && (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) == 0;
}

bool sendWhole(int socket, const void* message, size_t size, msghdr& header)
{
    iovec part{const_cast<void*>(message), size};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    ssize_t n;
    do {
        n = ::sendmsg(socket, &header, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(size);
}

}  // namespace

std::int32_t decodeTimeLimitMs(std::int64_t fileBytes)
{
    constexpr std::int64_t leastMs = 2000;
    constexpr std::int64_t mostMs = 10 * 60 * 1000;  // a three-hour recording
    return std::int32_t(std::min(mostMs, leastMs + fileBytes / 100));
}

bool sendRequest(int socket, const Request& request, int soundFile, int output)
{
    const int passed[2] = {soundFile, output};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof passed)] = {};
    msghdr header{};
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&header);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof passed);
    std::memcpy(CMSG_DATA(rights), passed, sizeof passed);
    return sendWhole(socket, &request, sizeof request, header);
}

bool receiveRequest(int socket, Request& request, int& soundFile, int& output)
{
    int passed[2] = {-1, -1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof passed)] = {};
    msghdr header{};
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const bool whole = receiveWhole(socket, request, header);
    const cmsghdr* rights = CMSG_FIRSTHDR(&header);
    if (rights && rights->cmsg_level == SOL_SOCKET && rights->cmsg_type == SCM_RIGHTS &&
        rights->cmsg_len == CMSG_LEN(sizeof passed))
        std::memcpy(passed, CMSG_DATA(rights), sizeof passed);
    soundFile = passed[0];
    output = passed[1];
    if (whole && soundFile >= 0 && output >= 0)
        return true;
    for (const int fd : passed)
        if (fd >= 0)
            ::close(fd);
    return false;
}

bool sendReply(int socket, const Reply& reply)
{
    msghdr header{};
    return sendWhole(socket, &reply, sizeof reply, header);
}

bool receiveReply(int socket, Reply& reply)
{
    msghdr header{};
    return receiveWhole(socket, reply, header);
}

}  // namespace keysound::audio::decodeprotocol
