#pragma once

#include <csignal>
#include <sys/resource.h>

// Runs f with each file's size limited to bytes: writes past it fail as on a full disk.
template <class F>
auto underFileSizeLimit(rlim_t bytes, F f)
{
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = bytes;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto result = f();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return result;
}
