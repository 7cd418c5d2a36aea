// Starts the real host program and puts it under the loads a public port
// invites: many talkers, a crowd joining, long lines, strangers that never
// speak. Prints what the host did: memory, delivery, order, latency, CPU.
//
// usage: bench_session_hardening [--binary PATH] [--only NAME[,NAME...]]
//        [--clients N] [--rate LINES_PER_S] [--seconds S]
// NAME is one of memory, join, overload, steady, biglines, bigline, strangers.
// A --binary whose name is tavernix-server runs the server instead of the
// window's host, with a state folder in the private home.
// --clients/--rate/--seconds change the scale of memory, overload and steady.
// The host runs in its own PID namespace (unshare -p, so root is needed) with
// a private home, offscreen, so other copies on the machine do not matter.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef TAVERNIX_HOST_BINARY
#define TAVERNIX_HOST_BINARY "tavernix"
#endif

namespace
{

int64_t nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string g_binary = TAVERNIX_HOST_BINARY;

// --- the host process -------------------------------------------------------

struct Host {
    pid_t outer = -1; ///< unshare
    pid_t inner = -1; ///< the program, its child
    int port = 0;
    std::string home;

    long rssKb() const
    {
        std::ifstream in("/proc/" + std::to_string(inner) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::atol(line.c_str() + 6);
        return -1;
    }
    long cpuTicks() const
    {
        std::ifstream in("/proc/" + std::to_string(inner) + "/stat");
        std::string all((std::istreambuf_iterator<char>(in)), {});
        const size_t close = all.rfind(')');
        if (close == std::string::npos)
            return -1;
        std::istringstream rest(all.substr(close + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::atol(field.c_str());
            if (i == 15)
                stime = std::atol(field.c_str());
        }
        return utime + stime;
    }
    /// Milliseconds from SIGTERM to the end of the program, or -1 after the timeout.
    long terminate(int timeoutMs)
    {
        const int64_t t0 = nowUs();
        ::kill(inner, SIGTERM);
        while (nowUs() - t0 < int64_t(timeoutMs) * 1000) {
            int status = 0;
            if (::waitpid(outer, &status, WNOHANG) == outer) {
                outer = -1;
                return long((nowUs() - t0) / 1000);
            }
            ::usleep(5000);
        }
        return -1;
    }
    void kill()
    {
        if (outer <= 0)
            return;
        ::kill(-outer, SIGKILL);
        ::kill(inner, SIGKILL);
        ::waitpid(outer, nullptr, 0);
        outer = -1;
    }
};

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

int connectTo(int port, bool blocking = true)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!blocking)
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    const int rc = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    if (rc != 0 && !(errno == EINPROGRESS && !blocking)) {
        ::close(fd);
        return -1;
    }
    if (blocking)
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

Host startHost(long nofile = 0)
{
    Host h;
    h.port = freePort();
    char tmpl[] = "/tmp/tvx-harden-XXXXXX";
    h.home = ::mkdtemp(tmpl);
    for (const char *d : {"/cfg", "/run", "/data"})
        ::mkdir((h.home + d).c_str(), 0700);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        if (nofile > 0) {
            rlimit rl{rlim_t(nofile), rlim_t(nofile)};
            ::setrlimit(RLIMIT_NOFILE, &rl);
        }
        const int log = ::open((h.home + "/app.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("HOME", h.home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (h.home + "/cfg").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (h.home + "/run").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (h.home + "/data").c_str(), 1);
        const std::string port = std::to_string(h.port);
        const std::string server = "tavernix-server";
        if (g_binary.size() >= server.size() &&
            g_binary.compare(g_binary.size() - server.size(), server.size(), server) == 0) {
            const std::string state = h.home + "/state";
            ::execlp("unshare", "unshare", "-p", "-f", "--mount-proc", g_binary.c_str(), "--name", "GM",
                     "--port", port.c_str(), "--state-dir", state.c_str(), "--no-port-mapping",
                     static_cast<char *>(nullptr));
        }
        ::execlp("unshare", "unshare", "-p", "-f", "--mount-proc", g_binary.c_str(), "--name", "GM",
                 "--port", port.c_str(), "--host", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    h.outer = pid;
    for (int i = 0; i < 200 && h.inner <= 0; ++i) {
        std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                               "/children");
        long child = 0;
        if (children >> child)
            h.inner = pid_t(child);
        else
            ::usleep(20000);
    }
    // Listening: a probe that closes at once leaves no trace on the host.
    for (int i = 0; i < 300; ++i) {
        const int fd = connectTo(h.port);
        if (fd >= 0) {
            ::close(fd);
            ::usleep(300000); // the window settles
            return h;
        }
        ::usleep(100000);
    }
    std::fprintf(stderr, "the host never listened (%s)\n", g_binary.c_str());
    h.kill();
    std::exit(1);
}

// --- raw clients ------------------------------------------------------------

/// Latencies in 1 ms buckets up to 120 s.
struct Histogram {
    std::vector<int64_t> buckets = std::vector<int64_t>(120001, 0);
    int64_t count = 0;
    void add(int64_t us)
    {
        buckets[size_t(std::clamp<int64_t>(us / 1000, 0, 120000))]++;
        ++count;
    }
    double quantileMs(double q) const
    {
        if (count == 0)
            return -1;
        const int64_t want = int64_t(q * double(count - 1)) + 1;
        int64_t seen = 0;
        for (size_t i = 0; i < buckets.size(); ++i)
            if ((seen += buckets[i]) >= want)
                return double(i);
        return 120000;
    }
    double maxMs() const
    {
        for (size_t i = buckets.size(); i-- > 0;)
            if (buckets[i])
                return double(i);
        return -1;
    }
};

struct Client {
    int fd = -1;
    int id = 0;
    std::string in, out;
    bool open = false, joined = false;
    int64_t joinSentUs = 0, joinedUs = 0;
    int64_t sent = 0, skipped = 0; ///< chat lines written to the kernel / not sent (host not reading)
    int64_t bytesIn = 0, lastInUs = 0, bigLineUs = 0;
    std::vector<int64_t> fromCount; ///< chat lines received per sender
    std::vector<int64_t> fromLast;  ///< last sequence number per sender
    int64_t outOfOrder = 0, gaps = 0;
};

struct Swarm {
    int ep = ::epoll_create1(0);
    int port = 0;
    std::vector<Client> clients;
    Histogram latency;      ///< every chat line
    Histogram watched;      ///< the chat lines of one sender
    std::vector<std::pair<int64_t, int64_t>> watchedTimes; ///< (sent, latency) in us
    int watchedSender = -1;
    int trackSenders = 0;

    explicit Swarm(int port_, int senders) : port(port_), trackSenders(senders) {}
    ~Swarm()
    {
        for (Client &c : clients)
            if (c.fd >= 0)
                ::close(c.fd);
        ::close(ep);
    }

    int add(int fd)
    {
        Client c;
        c.fd = fd;
        c.id = int(clients.size());
        c.open = fd >= 0;
        c.fromCount.assign(size_t(trackSenders), 0);
        c.fromLast.assign(size_t(trackSenders), -1);
        clients.push_back(std::move(c));
        if (fd >= 0) {
            epoll_event ev{};
            ev.events = EPOLLIN;
            ev.data.u32 = uint32_t(clients.size() - 1);
            ::epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
        }
        return int(clients.size() - 1);
    }
    int connect()
    {
        return add(connectTo(port));
    }
    void closeClient(Client &c)
    {
        if (c.fd >= 0) {
            ::epoll_ctl(ep, EPOLL_CTL_DEL, c.fd, nullptr);
            ::close(c.fd);
        }
        c.fd = -1;
        c.open = false;
    }
    void flushOut(Client &c)
    {
        while (!c.out.empty() && c.open) {
            const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                c.out.erase(0, size_t(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                closeClient(c);
                return;
            }
        }
        epoll_event ev{};
        ev.events = EPOLLIN | (c.out.empty() ? 0u : uint32_t(EPOLLOUT));
        ev.data.u32 = uint32_t(c.id);
        if (c.open)
            ::epoll_ctl(ep, EPOLL_CTL_MOD, c.fd, &ev);
    }
    void sendLine(Client &c, const std::string &line)
    {
        if (!c.open)
            return;
        c.out += line;
        c.out += "\r\n";
        flushOut(c);
    }
    /// A chat line "P<id>:<seq>:<microseconds>" unless the host has stopped
    /// taking this client's lines (its unsent bytes here pile up).
    void chat(Client &c, size_t pad = 0)
    {
        if (!c.open)
            return;
        if (c.out.size() > 64 * 1024) {
            ++c.skipped;
            return;
        }
        std::string line = "[Messaggio]P" + std::to_string(c.id) + ":" + std::to_string(c.sent) +
                           ":" + std::to_string(nowUs()) + ":";
        line.append(pad, 'x');
        ++c.sent;
        sendLine(c, line);
    }
    void join(Client &c, const std::string &name)
    {
        c.joinSentUs = nowUs();
        sendLine(c, "[Connessione]" + name);
        sendLine(c, "[Aggiorna Listato InviaFile]");
    }

    void onLine(Client &c, const char *p, size_t n, int64_t t)
    {
        static const char chatTag[] = "[Messaggio]P";
        if (n > 11 && std::memcmp(p, chatTag, 12) == 0) {
            if (n > 500000)
                c.bigLineUs = t;
            const char *q = p + 12;
            const char *end = p + n;
            auto number = [&](int64_t &v) {
                v = 0;
                bool any = false;
                while (q < end && *q >= '0' && *q <= '9') {
                    v = v * 10 + (*q++ - '0');
                    any = true;
                }
                if (q < end && *q == ':')
                    ++q;
                return any;
            };
            int64_t from, seq, stamp;
            if (!number(from) || !number(seq) || !number(stamp) || from >= trackSenders)
                return;
            latency.add(t - stamp);
            if (from == watchedSender) {
                watched.add(t - stamp);
                watchedTimes.emplace_back(stamp, t - stamp);
            }
            c.fromCount[size_t(from)]++;
            int64_t &last = c.fromLast[size_t(from)];
            if (seq <= last)
                ++c.outOfOrder;
            else if (seq > last + 1)
                c.gaps += seq - last - 1;
            last = seq;
        } else if (n >= 23 && std::memcmp(p, "[Rename di Connessione]", 23) == 0) {
            if (!c.joined) {
                c.joined = true;
                c.joinedUs = t;
            }
        }
    }
    void readFrom(Client &c)
    {
        char buf[256 * 1024];
        for (;;) {
            const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
            if (n > 0) {
                const int64_t t = nowUs();
                c.bytesIn += n;
                c.lastInUs = t;
                c.in.append(buf, size_t(n));
                size_t pos = 0;
                for (;;) {
                    const size_t end = c.in.find("\r\n", pos);
                    if (end == std::string::npos)
                        break;
                    onLine(c, c.in.data() + pos, end - pos, t);
                    pos = end + 2;
                }
                c.in.erase(0, pos);
                if (size_t(n) < sizeof buf)
                    return;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                closeClient(c);
                return;
            }
        }
    }
    /// Handles socket events for up to @p ms milliseconds.
    void pump(int ms)
    {
        epoll_event events[256];
        const int n = ::epoll_wait(ep, events, 256, ms);
        for (int i = 0; i < n; ++i) {
            Client &c = clients[events[i].data.u32];
            if (!c.open)
                continue;
            if (events[i].events & EPOLLOUT)
                flushOut(c);
            if (c.open && (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
                readFrom(c);
        }
    }
    void pumpFor(int ms)
    {
        const int64_t end = nowUs() + int64_t(ms) * 1000;
        while (nowUs() < end)
            pump(int(std::max<int64_t>(1, (end - nowUs()) / 1000)));
    }
    /// Pumps until nothing arrives for @p quietMs, at most @p maxMs; returns ms spent.
    long drain(int quietMs, int maxMs)
    {
        const int64_t t0 = nowUs();
        int64_t last = t0;
        while (nowUs() - t0 < int64_t(maxMs) * 1000) {
            int64_t before = 0;
            for (const Client &c : clients)
                before += c.bytesIn;
            pump(50);
            int64_t after = 0;
            for (const Client &c : clients)
                after += c.bytesIn;
            if (after != before)
                last = nowUs();
            else if (nowUs() - last > int64_t(quietMs) * 1000)
                break;
        }
        return long((nowUs() - t0) / 1000);
    }
    /// Connects and joins clients [from, to) in batches, each batch waiting
    /// for its renames (a client connects just before it introduces itself,
    /// as the host lets only so many wait for an introduction).
    long joinAll(int from, int to, int batch)
    {
        const int64_t t0 = nowUs();
        for (int b = from; b < to; b += batch) {
            const int e = std::min(to, b + batch);
            while (int(clients.size()) < e)
                connect();
            for (int i = b; i < e; ++i)
                join(clients[size_t(i)], "P" + std::to_string(i));
            const int64_t limit = nowUs() + 120000000;
            auto done = [&] {
                for (int i = b; i < e; ++i)
                    if (clients[size_t(i)].open && !clients[size_t(i)].joined)
                        return false;
                return true;
            };
            while (!done() && nowUs() < limit)
                pump(20);
        }
        return long((nowUs() - t0) / 1000);
    }
    int openCount() const
    {
        int n = 0;
        for (const Client &c : clients)
            n += c.open;
        return n;
    }
};

double mb(long kb)
{
    return double(kb) / 1024.0;
}

/// Delivery among the clients still connected: each should have every chat
/// line the other connected clients sent.
void reportDelivery(const Swarm &s, int count)
{
    std::vector<int> alive;
    for (int i = 0; i < count; ++i)
        if (s.clients[size_t(i)].open)
            alive.push_back(i);
    std::vector<double> ratios;
    int64_t delivered = 0, expected = 0, outOfOrder = 0, gaps = 0, sent = 0, skipped = 0;
    for (int i = 0; i < count; ++i) {
        sent += s.clients[size_t(i)].sent;
        skipped += s.clients[size_t(i)].skipped;
    }
    for (int r : alive) {
        const Client &c = s.clients[size_t(r)];
        int64_t got = 0, want = 0;
        for (int from : alive) {
            if (from == r)
                continue;
            got += c.fromCount[size_t(from)];
            want += s.clients[size_t(from)].sent;
        }
        delivered += got;
        expected += want;
        outOfOrder += c.outOfOrder;
        gaps += c.gaps;
        ratios.push_back(want ? double(got) / double(want) : 1.0);
    }
    std::sort(ratios.begin(), ratios.end());
    auto at = [&](double q) { return ratios.empty() ? -1.0 : ratios[size_t(q * double(ratios.size() - 1))]; };
    int full = 0;
    for (double r : ratios)
        full += r >= 1.0;
    std::printf("  chat lines written by clients %lld, not sent because the host was not taking them %lld\n",
                static_cast<long long>(sent), static_cast<long long>(skipped));
    std::printf("  clients still connected %zu of %d; delivered/expected over them %lld/%lld (%.2f%%)\n",
                alive.size(), count, static_cast<long long>(delivered),
                static_cast<long long>(expected), expected ? 100.0 * double(delivered) / double(expected) : 0.0);
    std::printf("  per client delivered/expected: min %.4f p10 %.4f median %.4f max %.4f; clients with all: %d\n",
                at(0), at(0.1), at(0.5), at(1.0), full);
    std::printf("  out of order %lld, missing in sequence %lld\n", static_cast<long long>(outOfOrder),
                static_cast<long long>(gaps));
    std::printf("  latency ms: p50 %.0f p99 %.0f max %.0f (%lld samples)\n", s.latency.quantileMs(0.5),
                s.latency.quantileMs(0.99), s.latency.maxMs(), static_cast<long long>(s.latency.count));
}

/// Every client sends @p rate chat lines per second for @p seconds, paced,
/// while all read; samples the host's RSS; returns the peak in kB.
long talk(Swarm &s, Host &h, int count, int rate, double seconds, size_t pad = 0,
          const std::function<void(double)> &everySecond = {})
{
    const int64_t t0 = nowUs();
    const int64_t period = 1000000 / rate;
    std::vector<int64_t> next(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        next[size_t(i)] = t0 + period * i / count; // staggered
    long peak = h.rssKb();
    int64_t nextSample = t0;
    int lastSecond = -1;
    while (nowUs() - t0 < int64_t(seconds * 1e6)) {
        const int64_t t = nowUs();
        for (int i = 0; i < count; ++i) {
            while (next[size_t(i)] <= t) {
                s.chat(s.clients[size_t(i)], pad);
                next[size_t(i)] += period;
            }
        }
        if (t >= nextSample) {
            peak = std::max(peak, h.rssKb());
            nextSample = t + 250000;
        }
        const int second = int((t - t0) / 1000000);
        if (second != lastSecond && everySecond) {
            lastSecond = second;
            everySecond(double(t - t0) / 1e6);
        }
        s.pump(2);
    }
    return std::max(peak, h.rssKb());
}

// --- scenarios --------------------------------------------------------------

int g_clients = 0, g_rate = 0;
double g_seconds = 0;

void memoryRun()
{
    const int n = g_clients ? g_clients : 100, rate = g_rate ? g_rate : 10;
    const double secs = g_seconds > 0 ? g_seconds : 30;
    std::printf("memory: %d clients x %d lines/s x %.0f s, then all leave\n", n, rate, secs);
    Host h = startHost();
    const long start = h.rssKb();
    Swarm s(h.port, n);
    const long joinMs = s.joinAll(0, n, 20);
    s.drain(1000, 60000);
    const long joined = h.rssKb();
    const long peak = talk(s, h, n, rate, secs);
    s.drain(2000, 60000);
    const long afterTalk = h.rssKb();
    reportDelivery(s, n);
    for (Client &c : s.clients)
        s.closeClient(c);
    ::usleep(5000000);
    const long left = h.rssKb();
    std::printf("  host RSS MB: after start %.1f, after joins %.1f (join %ld ms), peak %.1f, after the talk %.1f, "
                "5 s after all left %.1f (%+.1f from start)\n",
                mb(start), mb(joined), joinMs, mb(peak), mb(afterTalk), mb(left), mb(left - start));
    h.kill();
}

void joinRun()
{
    const int n = 500;
    std::printf("join: %d clients join one after another (batches of 10), then all leave\n", n);
    Host h = startHost();
    const long start = h.rssKb();
    Swarm s(h.port, 1);
    long peak = start;
    const int64_t t0 = nowUs();
    for (int b = 0; b < n; b += 10) {
        s.joinAll(b, std::min(n, b + 10), 10);
        peak = std::max(peak, h.rssKb());
    }
    const long joinMs = long((nowUs() - t0) / 1000);
    const long drainMs = s.drain(2000, 120000);
    const long joined = h.rssKb();
    int joinedCount = 0;
    for (const Client &c : s.clients)
        joinedCount += c.joined && c.open;
    for (Client &c : s.clients)
        s.closeClient(c);
    ::usleep(5000000);
    const long left = h.rssKb();
    std::printf("  joined and connected %d of %d in %ld ms (+%ld ms until quiet)\n", joinedCount, n, joinMs,
                drainMs);
    std::printf("  host RSS MB: after start %.1f, peak while joining %.1f, all joined and quiet %.1f, "
                "5 s after all left %.1f\n",
                mb(start), mb(peak), mb(joined), mb(left));
    h.kill();
}

void overloadRun(bool steady)
{
    const int n = g_clients ? g_clients : (steady ? 200 : 500), rate = g_rate ? g_rate : 10;
    const double secs = g_seconds > 0 ? g_seconds : 60;
    std::printf("%s: %d clients x %d lines/s x %.0f s\n", steady ? "steady" : "overload", n, rate, secs);
    Host h = startHost();
    const long start = h.rssKb();
    Swarm s(h.port, n + 1);
    const long joinMs = s.joinAll(0, n, 25);
    int joined = 0;
    for (const Client &c : s.clients)
        joined += c.joined;
    s.drain(1000, 120000);
    std::printf("  %d of %d joined in %ld ms; host RSS %.1f MB (after start %.1f)\n", joined, n, joinMs,
                mb(h.rssKb()), mb(start));
    // A newcomer halfway through: how long until the host has taken it in.
    int newcomer = -1;
    long newcomerMs = -2;
    const long peak = talk(s, h, n, rate, secs, 0, [&](double t) {
        if (newcomer < 0 && t >= secs / 2) {
            newcomer = s.connect();
            s.join(s.clients[size_t(newcomer)], "Nuovo");
        }
        if (newcomer >= 0 && newcomerMs == -2 && s.clients[size_t(newcomer)].joined)
            newcomerMs = long((s.clients[size_t(newcomer)].joinedUs - s.clients[size_t(newcomer)].joinSentUs) / 1000);
    });
    if (newcomer >= 0 && newcomerMs == -2 && s.clients[size_t(newcomer)].joined)
        newcomerMs = long((s.clients[size_t(newcomer)].joinedUs - s.clients[size_t(newcomer)].joinSentUs) / 1000);
    const long drained = s.drain(2000, 20000);
    std::printf("  after the talk: drained %ld ms, host RSS %.1f MB, peak during the talk %.1f MB\n", drained,
                mb(h.rssKb()), mb(peak));
    reportDelivery(s, n);
    std::printf("  newcomer halfway: %s %ld ms\n", newcomerMs >= 0 ? "joined in" : "not joined during the talk",
                newcomerMs >= 0 ? newcomerMs : 0);
    // The end asked for while the load is on.
    talk(s, h, n, rate, 3);
    const long termMs = h.terminate(10000);
    if (termMs < 0)
        std::printf("  SIGTERM under load: host still running after 10000 ms\n");
    else
        std::printf("  SIGTERM under load: host ended in %ld ms\n", termMs);
    h.kill();
}

/// A bulk sender, a pinger and a reader: the pinger's short lines must not
/// wait behind the bulk sender's long ones.
/// The worst latency of the watched sender's lines by when they were sent.
void reportWatchedOverTime(const Swarm &s, int64_t t0, int bucketMs)
{
    std::vector<int64_t> worst;
    for (const auto &[stamp, latency] : s.watchedTimes) {
        const size_t b = size_t(std::max<int64_t>(0, (stamp - t0) / 1000 / bucketMs));
        if (b >= worst.size())
            worst.resize(b + 1, -1);
        worst[b] = std::max(worst[b], latency);
    }
    std::printf("  worst short-line latency ms per %d ms of sending:", bucketMs);
    for (const int64_t w : worst)
        std::printf(" %lld", static_cast<long long>(w < 0 ? -1 : w / 1000));
    std::printf("\n");
}

void bigLinesRun()
{
    std::printf("biglines: one client sends 4 KB lines at 1000/s for 20 s; another sends a short line every 20 ms\n");
    Host h = startHost();
    Swarm s(h.port, 3);
    s.watchedSender = 1;
    s.joinAll(0, 3, 3);
    s.drain(500, 10000);
    Client &bulk = s.clients[0];
    Client &pinger = s.clients[1];
    const int64_t t0 = nowUs();
    int64_t nextPing = t0, bulkDue = 0;
    const long cpu0 = h.cpuTicks();
    while (nowUs() - t0 < 20000000) {
        const int64_t t = nowUs();
        const int64_t due = (t - t0) / 1000; // one per millisecond
        for (; bulkDue < due; ++bulkDue)
            s.chat(bulk, 4096);
        if (t >= nextPing) {
            s.chat(pinger);
            nextPing += 20000;
        }
        s.pump(1);
    }
    const long cpu1 = h.cpuTicks();
    s.drain(1000, 30000);
    const Client &reader = s.clients[2];
    std::printf("  bulk lines sent %lld of %lld due (%lld not sent: the host was not taking them); reader got %lld\n",
                static_cast<long long>(bulk.sent), static_cast<long long>(bulkDue),
                static_cast<long long>(bulk.skipped), static_cast<long long>(reader.fromCount[0]));
    std::printf("  pinger lines %lld, reader got %lld, out of order %lld\n", static_cast<long long>(pinger.sent),
                static_cast<long long>(reader.fromCount[1]), static_cast<long long>(reader.outOfOrder));
    std::printf("  short lines' latency ms: p50 %.0f p90 %.0f p99 %.0f max %.0f\n", s.watched.quantileMs(0.5),
                s.watched.quantileMs(0.9), s.watched.quantileMs(0.99), s.watched.maxMs());
    reportWatchedOverTime(s, t0, 2000);
    std::printf("  host CPU during the 20 s: %.0f%% of a core\n", double(cpu1 - cpu0) / 20.0);
    h.kill();
}

void bigLineRun()
{
    std::printf("bigline: one client sends a single line of 1 MiB; another sends a short line every 10 ms\n");
    Host h = startHost();
    Swarm s(h.port, 3);
    s.watchedSender = 1;
    s.joinAll(0, 3, 3);
    s.drain(500, 10000);
    Client &bulk = s.clients[0];
    Client &pinger = s.clients[1];
    const int64_t t0 = nowUs();
    int64_t nextPing = t0, bigSent = 0;
    while (nowUs() - t0 < 6000000) {
        const int64_t t = nowUs();
        if (!bigSent && t - t0 > 1000000) {
            bigSent = t;
            std::string line = "[Messaggio]P0:0:" + std::to_string(t) + ":";
            line.append(size_t(1024 * 1024) - line.size(), 'x'); // exactly 1 MiB before CR LF
            s.sendLine(bulk, line);
            ++bulk.sent;
        }
        if (t >= nextPing) {
            s.chat(pinger);
            nextPing += 10000;
        }
        s.pump(1);
    }
    s.drain(1000, 30000);
    const Client &reader = s.clients[2];
    std::printf("  short lines' latency ms: p50 %.0f p99 %.0f max %.0f\n", s.watched.quantileMs(0.5),
                s.watched.quantileMs(0.99), s.watched.maxMs());
    reportWatchedOverTime(s, t0, 500);
    std::printf("  1 MiB line reached the reader: %s after %.0f ms\n", reader.bigLineUs ? "yes" : "no",
                reader.bigLineUs ? double(reader.bigLineUs - bigSent) / 1000.0 : 0.0);
    std::printf("  pinger lines %lld, reader got %lld, out of order %lld\n", static_cast<long long>(pinger.sent),
                static_cast<long long>(reader.fromCount[1]), static_cast<long long>(reader.outOfOrder));
    h.kill();
}

void strangersRun()
{
    const long limit = 128;
    const int count = 1000;
    std::printf("strangers: host with a descriptor limit of %ld; %d connections that never speak\n", limit, count);
    Host h = startHost(limit);
    Swarm s(h.port, 1);
    int opened = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = connectTo(h.port, false);
        opened += fd >= 0;
        s.add(fd);
    }
    s.pumpFor(2000);
    const long c0 = h.cpuTicks();
    const int64_t t0 = nowUs();
    s.pumpFor(10000);
    const long c1 = h.cpuTicks();
    const double cpu = double(c1 - c0) / (double(nowUs() - t0) / 1e6);
    std::printf("  connects started %d; after 12 s still open on our side %d\n", opened, s.openCount());
    std::printf("  host CPU over 10 s while they are held: %.1f%% of a core\n", cpu);
    // A real client meanwhile.
    const int joiner = s.connect();
    s.join(s.clients[size_t(joiner)], "Vero");
    const int64_t j0 = nowUs();
    while (!s.clients[size_t(joiner)].joined && s.clients[size_t(joiner)].open && nowUs() - j0 < 3000000)
        s.pump(20);
    std::printf("  a real client while they are held: %s\n",
                s.clients[size_t(joiner)].joined ? "joined" : (s.clients[size_t(joiner)].open ? "no answer in 3 s" : "refused"));
    const long c2 = h.cpuTicks();
    const int64_t t2 = nowUs();
    s.pumpFor(25000); // past the host's wait for an introduction
    std::printf("  37 s after the connects: still open on our side %d; host CPU over the last 25 s %.1f%%\n",
                s.openCount(), double(h.cpuTicks() - c2) / (double(nowUs() - t2) / 1e6));
    for (Client &c : s.clients)
        s.closeClient(c);
    s.pumpFor(1500);
    const int late = s.connect();
    s.join(s.clients[size_t(late)], "Tardi");
    const int64_t l0 = nowUs();
    while (!s.clients[size_t(late)].joined && s.clients[size_t(late)].open && nowUs() - l0 < 5000000)
        s.pump(20);
    std::printf("  after all closed, a new client: %s\n",
                s.clients[size_t(late)].joined
                    ? ("joined in " + std::to_string((s.clients[size_t(late)].joinedUs - l0) / 1000) + " ms").c_str()
                    : "not joined in 5 s");
    h.kill();
}

} // namespace

int main(int argc, char **argv)
{
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--binary")
            g_binary = value();
        else if (a == "--only") {
            std::stringstream list(value());
            std::string item;
            while (std::getline(list, item, ','))
                only.insert(item);
        } else if (a == "--clients")
            g_clients = std::atoi(value().c_str());
        else if (a == "--rate")
            g_rate = std::atoi(value().c_str());
        else if (a == "--seconds")
            g_seconds = std::atof(value().c_str());
        else {
            std::fprintf(stderr, "usage: %s [--binary PATH] [--only memory,join,overload,steady,biglines,bigline,strangers] "
                                 "[--clients N] [--rate R] [--seconds S]\n", argv[0]);
            return 2;
        }
    }
    rlimit rl{};
    ::getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &rl);
    ::signal(SIGPIPE, SIG_IGN);
    std::printf("host program: %s\n", g_binary.c_str());
    auto want = [&](const char *name) { return only.empty() || only.count(name); };
    if (want("memory"))
        memoryRun();
    if (want("join"))
        joinRun();
    if (want("biglines"))
        bigLinesRun();
    if (want("bigline"))
        bigLineRun();
    if (want("strangers"))
        strangersRun();
    if (want("steady"))
        overloadRun(true);
    if (want("overload"))
        overloadRun(false);
    return 0;
}
