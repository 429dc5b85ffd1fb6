#pragma once

#include <QTest>

#include <functional>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/resource.h>

// Runs act with files limited to size bytes: a write beyond fails as on a full disk, for root too,
// instead of raising a signal.
inline void underFileSizeLimit(rlim_t size, const std::function<void()> &act)
{
    rlimit previous = {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const rlimit limit = {size, previous.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    act();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
}
#endif
