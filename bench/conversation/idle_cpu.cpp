// Measures how much CPU a running process uses over a time window, from the
// user and system times in /proc/<pid>/stat.
//
// Usage: tavernix_idle_cpu <pid> [seconds]   (default 60)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

static bool readTicks(long pid, unsigned long long &ticks)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return false;
    // The command name is in parentheses and may hold spaces: skip past it.
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Fields after the name start at 3 (state); utime is 14, stime 15.
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::strtoull(field.c_str(), nullptr, 10);
        if (i == 15)
            stime = std::strtoull(field.c_str(), nullptr, 10);
    }
    ticks = utime + stime;
    return true;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <pid> [seconds]\n", argv[0]);
        return 2;
    }
    const long pid = std::strtol(argv[1], nullptr, 10);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const long hz = sysconf(_SC_CLK_TCK);

    unsigned long long before = 0, after = 0;
    if (!readTicks(pid, before)) {
        std::fprintf(stderr, "no process %ld\n", pid);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    if (!readTicks(pid, after)) {
        std::fprintf(stderr, "process %ld ended during the measurement\n", pid);
        return 1;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = double(after - before) / double(hz);
    std::printf("pid %ld: %.2f s CPU in %.1f s = %.3f%% of a core\n", pid, cpu, wall,
                100.0 * cpu / wall);
    return 0;
}
