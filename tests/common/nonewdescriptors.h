#pragma once

// Lowers this process's descriptor limit so that no new descriptor can be
// made, and puts it back however the test ends.

#include <sys/resource.h>
#include <unistd.h>

struct NoNewDescriptors {
    rlimit saved{};
    bool lowered = false;
    NoNewDescriptors()
    {
        if (::getrlimit(RLIMIT_NOFILE, &saved) != 0)
            return;
        const int lowestFree = ::dup(0);
        if (lowestFree < 0)
            return;
        ::close(lowestFree);
        rlimit tight = saved;
        tight.rlim_cur = rlim_t(lowestFree); // the next descriptor would be lowestFree
        lowered = ::setrlimit(RLIMIT_NOFILE, &tight) == 0;
    }
    void restore()
    {
        if (lowered)
            ::setrlimit(RLIMIT_NOFILE, &saved);
        lowered = false;
    }
    ~NoNewDescriptors() { restore(); }
};
