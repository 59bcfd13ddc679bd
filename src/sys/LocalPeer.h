#pragma once
// Who is at the other end of a local socket: the open channel talks only to the same user.
#include <string>

// True when path is a socket (not a link to one) that belongs to the user.
bool IsOwnSocket(const std::string& path);
// True when the process that connected the local socket fd, or listens at its other end,
// runs as the user.
bool PeerIsSameUser(int fd);
