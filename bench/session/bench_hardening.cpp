// Starts the real host program and puts it under the loads a public port
// invites: many talkers, a crowd joining, long lines, strangers that never
// speak. Prints what the host did: memory, delivery, order, latency, CPU.
//
// usage: bench_session_hardening [--binary PATH] [--only NAME[,NAME...]]
//        [--clients N] [--rate LINES_PER_S] [--seconds S]
// NAME is one of memory, join, overload, steady, biglines, bigline, strangers,
// lockout, fdlimit, unknowntag, replay, stalledreplay, names, pane, journal,
// links, bigpicture, trickle.
// links puts a symbolic link where the newest session file would be (to
// /dev/zero, then to a session file elsewhere) and starts with --resume;
// bigpicture has a player share an 8000 x 8000 map with the host and a
// window client (the same program, joined), and prints both memories;
// trickle has three players hold pictures open a slice every 10 s while a
// fourth shares, then sends a picture whose header claims 60000 x 60000.
// A --binary whose name is tavernix-server runs the server instead of the
// window's host, with a state folder in the private home.
// --clients/--rate/--seconds change the scale of memory, overload and steady.
// The host runs in its own PID namespace (unshare -p, so root is needed) with
// a private home, offscreen, so other copies on the machine do not matter.
// fdlimit reaches the transfer port, 2543: run the bench in a network
// namespace of its own (unshare -n, then "ip link set lo up") when another
// copy on the machine may hold that port.
// The host's heap in use (mallinfo2) is asked of a probe library preloaded
// into it (bench_heapprobe), and printed beside its RSS.

#include "pictureassembler.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

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
#include <string_view>
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
#ifndef TAVERNIX_HEAP_PROBE
#define TAVERNIX_HEAP_PROBE ""
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
std::string g_probe = TAVERNIX_HEAP_PROBE;

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
    /// Heap in use in kB (mallinfo2: allocated chunks and mapped blocks), -1 without the probe.
    long heapKb() const
    {
        const std::string out = home + "/heap.out";
        ::unlink(out.c_str());
        const int fd = ::open((home + "/heap.req").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            return -1;
        const char byte = 'h';
        const ssize_t wrote = ::write(fd, &byte, 1);
        ::close(fd);
        if (wrote != 1)
            return -1;
        for (int i = 0; i < 400; ++i) {
            std::ifstream in(out);
            unsigned long long used = 0;
            if (in >> used)
                return long(used / 1024);
            ::usleep(5000);
        }
        return -1;
    }
    /// Bytes the host has written with write-like calls (sockets included).
    long long written() const
    {
        std::ifstream in("/proc/" + std::to_string(inner) + "/io");
        std::string key;
        long long value = 0;
        while (in >> key >> value)
            if (key == "wchar:")
                return value;
        return -1;
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

/// How startHost() starts the program: hosting (the default) or joining
/// @p connectPort as a client; @p prepare runs on the private home before
/// the program starts; without @p waitListen it returns once the program runs.
struct StartOptions {
    int connectPort = 0;
    std::function<void(const std::string &home)> prepare;
    bool waitListen = true;
};

Host startHost(long nofile = 0, const std::vector<std::string> &extra = {},
               const StartOptions &options = {})
{
    Host h;
    h.port = options.connectPort ? options.connectPort : freePort();
    char tmpl[] = "/tmp/tvx-harden-XXXXXX";
    h.home = ::mkdtemp(tmpl);
    for (const char *d : {"/cfg", "/run", "/data"})
        ::mkdir((h.home + d).c_str(), 0700);
    if (options.prepare)
        options.prepare(h.home);
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
        if (!g_probe.empty()) {
            ::setenv("LD_PRELOAD", g_probe.c_str(), 1);
            ::setenv("TVX_HEAP_PROBE", (h.home + "/heap").c_str(), 1);
            ::setenv("TVX_HEAP_PROBE_EXE", g_binary.c_str(), 1);
        }
        const std::string port = std::to_string(h.port);
        const std::string server = "tavernix-server";
        const bool isServer = g_binary.size() >= server.size() &&
                              g_binary.compare(g_binary.size() - server.size(), server.size(), server) == 0;
        // A client is always the window program: the one beside the server.
        std::string binary = g_binary;
        if (options.connectPort && isServer)
            binary = g_binary.substr(0, g_binary.size() - server.size()) + "tavernix";
        std::vector<std::string> args{"unshare", "-p", "-f", "--mount-proc", binary, "--name", "GM",
                                      "--port", port, "--host"};
        if (options.connectPort) {
            args[6] = "Cliente";
            args.back() = "--connect";
            args.push_back("127.0.0.1");
        } else if (isServer) {
            args.back() = "--no-port-mapping";
            args.insert(args.end(), {"--state-dir", h.home + "/state"});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp("unshare", argv.data());
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
    if (!options.waitListen || options.connectPort)
        return h;
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
    std::string watch;    ///< text to look out for in any line received
    int64_t watchUs = 0;  ///< when it first came
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
        if (!c.watch.empty() && !c.watchUs &&
            std::string_view(p, n).find(c.watch) != std::string_view::npos)
            c.watchUs = t;
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

double loadAvg();

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
    const long startHeap = h.heapKb();
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
    std::printf("  host heap in use MB: after start %.1f, 5 s after all left %.1f (load %.2f)\n", mb(startHeap),
                mb(h.heapKb()), loadAvg());
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
    std::printf("  after the talk: drained %ld ms, host RSS %.1f MB, heap in use %.1f MB, peak RSS during the talk "
                "%.1f MB (load %.2f)\n", drained, mb(h.rssKb()), mb(h.heapKb()), mb(peak), loadAvg());
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

// --- the second round of hardening -----------------------------------------------

double loadAvg()
{
    std::ifstream in("/proc/loadavg");
    double l = -1;
    in >> l;
    return l;
}

void memLine(const char *label, const Host &h)
{
    std::printf("  %-34s RSS %7.1f MB, heap in use %7.1f MB (load %.2f)\n", label, mb(h.rssKb()),
                mb(h.heapKb()), loadAvg());
}

/// In a process of its own: keeps @p count connections open to @p port that
/// never say a word, opening each again as soon as the host closes it.
/// Ends with its parent.
pid_t startFlood(int port, int count, const char *label, bool renew = true)
{
    std::fflush(stdout); // the child must not print what we buffered
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const pid_t parent = ::getppid();
    const int ep = ::epoll_create1(0);
    long opened = 0, closedByHost = 0, failed = 0;
    int open = 0;
    auto openOne = [&] {
        const int fd = connectTo(port, false);
        if (fd < 0) {
            ++failed;
            return false;
        }
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLRDHUP;
        ev.data.fd = fd;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
        ++opened;
        ++open;
        return true;
    };
    int64_t nextReport = nowUs() + 10000000;
    while (::getppid() == parent) {
        // As fast as the host takes them: top up to the count at every turn.
        while (open < count && (renew || opened < count) && openOne()) {
        }
        epoll_event events[512];
        const int n = ::epoll_wait(ep, events, 512, open < count ? 5 : 100);
        for (int i = 0; i < n; ++i) {
            char buf[4096];
            const ssize_t r = ::recv(events[i].data.fd, buf, sizeof buf, 0);
            if (r > 0 || (r < 0 && errno == EAGAIN))
                continue;
            ::epoll_ctl(ep, EPOLL_CTL_DEL, events[i].data.fd, nullptr);
            ::close(events[i].data.fd);
            --open;
            ++closedByHost;
        }
        if (nowUs() >= nextReport) {
            std::printf("  [%s: %d open, %ld opened so far, %ld closed by the host, %ld connects failed]\n", label,
                        open, opened, closedByHost, failed);
            std::fflush(stdout);
            nextReport += 10000000;
        }
    }
    ::_exit(0);
}

void stopFlood(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

/// The players who are in talk at @p rate lines/s each for @p seconds.
void keepTalking(Swarm &s, Host &h, int players, double seconds)
{
    talk(s, h, players, 10, seconds);
}

void lockoutRun()
{
    const int strangers = 1000, players = 3, rounds = 10;
    std::printf("lockout: %d connections that never introduce themselves (another process, renewed as the "
                "host closes them); %d players in talk at 10 lines/s; every 6 s a player connects, waits "
                "3.2 s and introduces itself, %d times\n",
                strangers, players, rounds);
    Host h = startHost();
    Swarm s(h.port, players);
    s.joinAll(0, players, players);
    s.drain(500, 5000);
    const pid_t flood = startFlood(h.port, strangers, "strangers");
    keepTalking(s, h, players, 3);
    s.latency = Histogram();
    const long c0 = h.cpuTicks();
    const int64_t t0 = nowUs();
    int joined = 0;
    std::vector<long> joinMs;
    for (int r = 0; r < rounds; ++r) {
        const int64_t roundStart = nowUs();
        const int i = s.connect();
        Client *c = &s.clients[size_t(i)];
        if (!c->open) {
            std::printf("  player %d: could not connect\n", r);
        } else {
            keepTalking(s, h, players, 3.2);
            c = &s.clients[size_t(i)];
            if (!c->open) {
                std::printf("  player %d: closed by the host during its 3.2 s pause\n", r);
            } else {
                s.join(*c, "Giocatore" + std::to_string(r));
                const int64_t j0 = nowUs();
                while (!s.clients[size_t(i)].joined && s.clients[size_t(i)].open && nowUs() - j0 < 5000000)
                    keepTalking(s, h, players, 0.02);
                c = &s.clients[size_t(i)];
                if (c->joined) {
                    ++joined;
                    joinMs.push_back(long((c->joinedUs - c->joinSentUs) / 1000));
                    std::printf("  player %d: joined %ld ms after introducing itself\n", r, joinMs.back());
                } else {
                    std::printf("  player %d: %s\n", r, c->open ? "no answer in 5 s" : "closed after introducing itself");
                }
            }
        }
        const double rest = 6.0 - double(nowUs() - roundStart) / 1e6;
        if (rest > 0)
            keepTalking(s, h, players, rest);
    }
    const double cpu = double(h.cpuTicks() - c0) / (double(nowUs() - t0) / 1e6);
    stopFlood(flood);
    std::sort(joinMs.begin(), joinMs.end());
    std::printf("  players joined %d of %d; slowest join %ld ms\n", joined, rounds, joinMs.empty() ? -1 : joinMs.back());
    std::printf("  chat among the players in: p50 %.0f p99 %.0f max %.0f ms (%lld lines)\n", s.latency.quantileMs(0.5),
                s.latency.quantileMs(0.99), s.latency.maxMs(), static_cast<long long>(s.latency.count));
    std::printf("  host CPU meanwhile %.1f%% of a core (load %.2f)\n", cpu, loadAvg());
    h.kill();
}

/// Whether something answers on @p port within @p ms: the connection is
/// taken and a first byte arrives (the transfer port greets), or for the
/// chat port a join is answered.
long answersWithin(int port, bool chat, int ms)
{
    const int64_t t0 = nowUs();
    while (nowUs() - t0 < int64_t(ms) * 1000) {
        const int fd = connectTo(port);
        if (fd >= 0) {
            if (chat) {
                const std::string hello = "[Connessione]Ritorno\r\n";
                (void)::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
            }
            std::string got;
            const int64_t w0 = nowUs();
            while (nowUs() - w0 < 1000000) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0) {
                    char buf[4096];
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n <= 0)
                        break;
                    got.append(buf, size_t(n));
                    if ((!chat && !got.empty()) || got.find("[Rename di Connessione]") != std::string::npos) {
                        ::close(fd);
                        return long((nowUs() - t0) / 1000);
                    }
                }
            }
            ::close(fd);
        }
        ::usleep(50000);
    }
    return -1;
}

void fdLimitRun()
{
    const long limit = 128;
    const int players = 100;
    std::printf("fdlimit: host limited to %ld descriptors, %d players joined, then 1000 strangers (renewed) "
                "for 12 s; then the strangers go\n", limit, players);
    Host h = startHost(limit);
    Swarm s(h.port, 1);
    s.joinAll(0, players, 20);
    int in = 0;
    for (const Client &c : s.clients)
        in += c.joined && c.open;
    std::printf("  players joined %d of %d\n", in, players);
    const pid_t flood = startFlood(h.port, 1000, "strangers");
    const pid_t fileFlood = startFlood(2543, 20, "strangers at the transfer port", false);
    s.pumpFor(2000);
    const long c0 = h.cpuTicks();
    const int64_t t0 = nowUs();
    // A seated player renames itself and talks while the limit holds: the
    // others should hear both.
    Client &talker = s.clients[0];
    Client &other = s.clients[1];
    other.watch = "Rinominato";
    const int64_t heardBefore = other.fromCount[0];
    s.sendLine(talker, "[Cambia Nome]Rinominato");
    s.chat(talker);
    int64_t heardUs = 0;
    while (nowUs() - t0 < 10000000) {
        s.pump(20);
        if (!heardUs && other.fromCount[0] > heardBefore)
            heardUs = nowUs();
    }
    const double cpu = double(h.cpuTicks() - c0) / (double(nowUs() - t0) / 1e6);
    std::printf("  host CPU over 10 s at the limit: %.1f%% of a core (load %.2f)\n", cpu, loadAvg());
    std::printf("  at the limit, a seated player's rename reached another player after %ld ms, its "
                "line after %ld ms (-1: not within 10 s)\n",
                other.watchUs ? long((other.watchUs - t0) / 1000) : -1L,
                heardUs ? long((heardUs - t0) / 1000) : -1L);
    stopFlood(flood);
    stopFlood(fileFlood);
    const long chatMs = answersWithin(h.port, true, 15000);
    const long fileMs = answersWithin(2543, false, 15000);
    std::printf("  once the strangers went: chat port joins a player after %ld ms, transfer port (2543) "
                "answers after %ld ms (-1: not within 15 s)\n", chatMs, fileMs);
    h.kill();
}

/// Sends @p bytes from client @p c with the host reading it, pumping meanwhile.
void sendPumped(Swarm &s, Client &c, const std::string &bytes)
{
    c.out += bytes;
    s.flushOut(c);
    while (!c.out.empty() && c.open)
        s.pump(20);
}

void unknownTagRun()
{
    std::printf("unknowntag: 300 lines of 1 MiB with a tag nobody knows, then the sender leaves\n");
    Host h = startHost();
    Swarm s(h.port, 1);
    s.joinAll(0, 3, 3);
    s.drain(500, 5000);
    memLine("before", h);
    std::string line = "[Sconosciuto]";
    line.append(size_t(1000000) - line.size(), 'u');
    line += "\r\n";
    const int64_t t0 = nowUs();
    for (int i = 0; i < 300 && s.clients[0].open; ++i) {
        const std::string number = std::to_string(i);
        line.replace(13, number.size(), number); // each line its own
        sendPumped(s, s.clients[0], line);
    }
    s.pumpFor(3000);
    std::printf("  the 300 lines went out in %.1f s; sender still connected: %s\n", double(nowUs() - t0) / 1e6,
                s.clients[0].open ? "yes" : "no");
    memLine("after the 300 lines", h);
    s.closeClient(s.clients[0]);
    s.pumpFor(5000);
    memLine("5 s after the sender left", h);
    h.kill();
}

std::string field10(long v)
{
    char buf[16];
    if (v < 0)
        std::snprintf(buf, sizeof buf, "-%09ld", -v);
    else
        std::snprintf(buf, sizeof buf, "%010ld", v);
    return buf;
}

/// About @p megabytes of "[Linea]" messages from client @p c.
void drawBoard(Swarm &s, Client &c, int megabytes, int salt)
{
    std::string chunk;
    long n = 0;
    const size_t total = size_t(megabytes) * 1024 * 1024;
    size_t sent = 0;
    while (sent < total) {
        chunk.clear();
        while (chunk.size() < 256 * 1024) {
            const long x = (n * 7 + salt) % 11000, y = (n * 13) % 11000;
            chunk += "[Linea]" + field10(x) + field10(y) + field10(x + 40) + field10(y + 30) + field10(n % 0xFFFFFF) +
                     field10(1) + field10(1) + "\r\n";
            ++n;
        }
        sent += chunk.size();
        sendPumped(s, c, chunk);
    }
}

/// The drawer (client 0) clears the board, draws one line and clears again
/// (the host keeps the board cleared last, to bring it back), and every
/// client leaves: what the host still holds is no longer the board.
void clearAndLeave(Swarm &s, const Host &h)
{
    sendPumped(s, s.clients[0], "[Pulisci Lavagna]\r\n");
    s.pumpFor(500);
    sendPumped(s, s.clients[0], "[Linea]" + field10(1) + field10(1) + field10(40) + field10(30) + field10(0) +
                                    field10(1) + field10(1) + "\r\n[Pulisci Lavagna]\r\n");
    s.pumpFor(1000);
    for (Client &c : s.clients)
        s.closeClient(c);
    s.pumpFor(5000);
    memLine("5 s after two clears and all left", h);
}

void replayRun()
{
    const int newcomers = 8, board = 30;
    std::printf("replay: a board of about %d MiB, replayed to %d newcomers who read it, then leave\n", board,
                newcomers);
    Host h = startHost();
    Swarm s(h.port, 1);
    s.joinAll(0, 2, 2);
    memLine("before", h);
    drawBoard(s, s.clients[0], board, 0);
    s.drain(2000, 120000);
    memLine("board drawn", h);
    const long joinMs = s.joinAll(2, 2 + newcomers, newcomers);
    const long quiet = s.drain(2000, 300000);
    std::printf("  %d newcomers joined in %ld ms and had read the board %ld ms later\n", newcomers, joinMs,
                quiet - 2000);
    memLine("newcomers joined and quiet", h);
    for (int i = 2; i < 2 + newcomers; ++i)
        s.closeClient(s.clients[size_t(i)]);
    s.pumpFor(5000);
    memLine("5 s after they left", h);
    clearAndLeave(s, h);
    h.kill();
}

void stalledReplayRun()
{
    // Newcomers that never read arrive while a board is up, then the board is
    // cleared and a fresh one drawn: the fresh board waits behind every
    // newcomer's stalled replay. What they cost is what the host holds with
    // them beyond what it holds once they have gone.
    const int newcomers = 5, board = 25;
    std::printf("stalledreplay: %d newcomers who never read join at a board of about %d MiB, then a clear "
                "and a fresh board of about %d MiB\n",
                newcomers, board, board);
    Host h = startHost();
    Swarm s(h.port, 1);
    s.joinAll(0, 2, 2);
    memLine("before", h);
    drawBoard(s, s.clients[0], board, 0);
    s.drain(1000, 120000);
    std::vector<int> stalled;
    for (int r = 0; r < newcomers; ++r) {
        const int fd = connectTo(h.port);
        const std::string hello = "[Connessione]Fermo" + std::to_string(r) + "\r\n[Aggiorna Listato InviaFile]\r\n";
        (void)::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
        stalled.push_back(fd);
        s.pumpFor(1000);
    }
    sendPumped(s, s.clients[0], "[Pulisci Lavagna]\r\n");
    drawBoard(s, s.clients[0], board, 1);
    s.drain(1000, 120000);
    s.pumpFor(3000);
    memLine("with the newcomers not reading", h);
    const long rssWith = h.rssKb(), heapWith = h.heapKb();
    for (const int fd : stalled)
        ::close(fd);
    s.pumpFor(5000);
    memLine("5 s after they left", h);
    std::printf("  the %d newcomers held heap %.1f MB (RSS %.1f MB) beyond the boards\n", newcomers,
                mb(heapWith - h.heapKb()), mb(rssWith - h.rssKb()));
    clearAndLeave(s, h);
    h.kill();
}

void namesRun()
{
    std::printf("names: 3 clients join with names of about 1 MiB, 22 others read; then 20 renames\n");
    Host h = startHost();
    memLine("before", h);
    Swarm s(h.port, 1);
    for (int i = 0; i < 3; ++i) {
        const int c = s.connect();
        s.join(s.clients[size_t(c)], std::string(1000000, char('A' + i)));
        s.pumpFor(500);
    }
    s.joinAll(3, 25, 22);
    s.drain(2000, 60000);
    const long long w0 = h.written();
    long long in0 = 0;
    for (const Client &c : s.clients)
        in0 += c.bytesIn;
    long peak = h.rssKb();
    int bytesSent = 0;
    for (int r = 0; r < 20; ++r) {
        const std::string rename = "[Cambia Nome]Nome" + std::to_string(r) + "\r\n";
        bytesSent += int(rename.size());
        s.sendLine(s.clients[3], rename.substr(0, rename.size() - 2));
        s.pumpFor(200);
        peak = std::max(peak, h.rssKb());
    }
    s.drain(3000, 120000);
    peak = std::max(peak, h.rssKb());
    long long in1 = 0;
    for (const Client &c : s.clients)
        in1 += c.bytesIn;
    // What the clients received counts every way the host may write.
    std::printf("  %d bytes of renames: the clients received %.1f MB (the host's write() calls: %.1f MB); "
                "clients still connected %d of 25; RSS peak %.1f MB\n",
                bytesSent, double(in1 - in0) / 1e6, double(h.written() - w0) / 1e6, s.openCount(), mb(peak));
    for (Client &c : s.clients)
        s.closeClient(c);
    s.pumpFor(5000);
    memLine("5 s after all left", h);
    h.kill();
}

void paneRun()
{
    std::printf("pane: one client sends 4 KB lines at 300/s for 60 s, another reads; then both leave\n");
    Host h = startHost();
    Swarm s(h.port, 2);
    s.joinAll(0, 2, 2);
    s.drain(500, 5000);
    memLine("before", h);
    const int64_t t0 = nowUs();
    long sent = 0;
    long peak = h.rssKb();
    int64_t nextSample = t0;
    while (nowUs() - t0 < 60000000) {
        const long due = long((nowUs() - t0) * 300 / 1000000);
        for (; sent < due; ++sent)
            s.chat(s.clients[0], 4096);
        if (nowUs() >= nextSample) {
            peak = std::max(peak, h.rssKb());
            nextSample += 1000000;
        }
        s.pump(2);
    }
    s.drain(2000, 60000);
    std::printf("  lines sent %ld, the reader got %lld; RSS peak %.1f MB\n", sent,
                static_cast<long long>(s.clients[1].fromCount[0]), mb(peak));
    memLine("after the 60 s", h);
    for (Client &c : s.clients)
        s.closeClient(c);
    s.pumpFor(5000);
    memLine("5 s after both left", h);
    h.kill();
}

bool fileHas(const std::string &folder, const std::string &text)
{
    const std::string cmd = "grep -rls -- '" + text + "' '" + folder + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

void journalRun()
{
    std::printf("journal: the journal's folder is removed during the session, then lines go on\n");
    char tmpl[] = "/tmp/tvx-journal-XXXXXX";
    const std::string folder = std::string(::mkdtemp(tmpl)) + "/diario";
    Host h = startHost(0, {"--log-dir", folder});
    Swarm s(h.port, 1);
    s.joinAll(0, 1, 1);
    s.sendLine(s.clients[0], "[Messaggio]prima riga");
    s.pumpFor(1000);
    std::printf("  before: first line in the journal %s\n", fileHas(folder, "prima riga") ? "yes" : "no");
    std::system(("rm -rf '" + folder + "'").c_str());
    s.sendLine(s.clients[0], "[Messaggio]seconda riga");
    s.pumpFor(1000);
    s.sendLine(s.clients[0], "[Messaggio]terza riga");
    s.pumpFor(1500);
    std::printf("  after removing the folder: folder there again %s; second line kept %s; third line kept %s\n",
                ::access(folder.c_str(), F_OK) == 0 ? "yes" : "no", fileHas(folder, "seconda riga") ? "yes" : "no",
                fileHas(folder, "terza riga") ? "yes" : "no");
    h.kill();
}

// --- the third round: files that are not what they seem, costly pictures -------

bool isServerBinary()
{
    const std::string server = "tavernix-server";
    return g_binary.size() >= server.size() &&
           g_binary.compare(g_binary.size() - server.size(), server.size(), server) == 0;
}

/// The folder a host keeps its sessions in, under the private @p home.
std::string sessionFolder(const std::string &home)
{
    return home + (isServerBinary() ? "/state/partite" : "/data/tavernix/partite");
}

long fileSize(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

/// The newest session file a link: to /dev/zero, then to a session file
/// outside the folder. Started with --resume: does the port open, what does
/// the host's memory do, and is the outside file written to?
void linksRun()
{
    std::printf("links: the newest session file is a symbolic link, and the host starts with --resume\n");
    const std::string name = "/partita_2099-01-01_00-00-00.tvx";
    {
        StartOptions o;
        o.waitListen = false;
        o.prepare = [&](const std::string &home) {
            std::system(("mkdir -p '" + sessionFolder(home) + "'").c_str());
            (void)!::symlink("/dev/zero", (sessionFolder(home) + name).c_str());
        };
        Host h = startHost(0, {"--resume"}, o);
        const int64_t t0 = nowUs();
        long peak = 0;
        long openedMs = -1;
        while (nowUs() - t0 < 15000000) {
            peak = std::max(peak, h.rssKb());
            const int fd = connectTo(h.port);
            if (fd >= 0) {
                ::close(fd);
                openedMs = long((nowUs() - t0) / 1000);
                break;
            }
            if (peak > 1024 * 1024)
                break; // enough to tell: the machine is shared
            ::usleep(100000);
        }
        std::printf("  link to /dev/zero: port open after %ld ms (-1: not within 15 s or RSS past 1 GB); "
                    "RSS peak %.1f MB after %.1f s\n",
                    openedMs, mb(peak), double(nowUs() - t0) / 1e6);
        h.kill();
    }
    {
        char tmpl[] = "/tmp/tvx-outside-XXXXXX";
        const std::string outside = std::string(::mkdtemp(tmpl)) + "/altra.tvx";
        {
            std::ofstream f(outside);
            f << "TAVERNIX PARTITA 1 2026-03-07T20:05:30Z\n"
              << "M 1772917531 10 Oste: ciao\n";
        }
        const long before = fileSize(outside);
        StartOptions o;
        o.prepare = [&](const std::string &home) {
            std::system(("mkdir -p '" + sessionFolder(home) + "'").c_str());
            (void)!::symlink(outside.c_str(), (sessionFolder(home) + name).c_str());
        };
        Host h = startHost(0, {"--resume"}, o);
        Swarm s(h.port, 1);
        s.joinAll(0, 1, 1);
        s.sendLine(s.clients[0], "[Messaggio]scritto dopo la ripresa");
        s.sendLine(s.clients[0], "[Linea]" + field10(1) + field10(1) + field10(40) + field10(30) + field10(0) +
                                     field10(1) + field10(1));
        s.pumpFor(2000);
        h.kill();
        std::printf("  link to a session file outside the folder: that file %ld bytes before, %ld after "
                    "(written through the link: %s)\n",
                    before, fileSize(outside), fileSize(outside) != before ? "yes" : "no");
    }
}

/// A PNG of @p side x @p side pixels that compresses well: a map's few
/// colours and lines.
std::string mapPng(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(0xE8, 0xDC, 0xB8));
    QPainter p(&image);
    p.setPen(QPen(QColor(0x40, 0x30, 0x20), 3));
    for (int i = 0; i < side; i += 250) {
        p.drawLine(i, 0, i, side - 1);
        p.drawLine(0, i, side - 1, i);
    }
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes.toStdString();
}

/// The wire lines that share @p file (one string, CR LF included).
std::string shareLines(quint32 id, const std::string &file, const std::string &from)
{
    std::string out;
    for (const QByteArray &line : session::PictureAssembler::encode(
             id, QByteArray::fromStdString(file), QString::fromStdString(from)))
        out += line.toStdString();
    return out;
}

/// Samples the RSS of @p a and @p b every 50 ms for @p ms; returns the peaks.
std::pair<long, long> peaks(const Host &a, const Host *b, int ms, Swarm &s)
{
    long pa = 0, pb = 0;
    const int64_t end = nowUs() + int64_t(ms) * 1000;
    while (nowUs() < end) {
        pa = std::max(pa, a.rssKb());
        if (b)
            pb = std::max(pb, b->rssKb());
        s.pump(50);
    }
    return {pa, pb};
}

/// A player shares an 8000 x 8000 map: what the window host and a window
/// client (the real program, joined) hold meanwhile and after.
void bigPictureRun()
{
    const std::string map = mapPng(8000);
    std::printf("bigpicture: a player shares an 8000 x 8000 map (PNG of %zu KB) with a window client\n",
                map.size() / 1024);
    Host h = startHost();
    StartOptions o;
    o.connectPort = h.port;
    Host c = startHost(0, {}, o);
    Swarm s(h.port, 1);
    s.joinAll(0, 1, 1);
    s.pumpFor(6000); // the window client has joined (3.2 s pause and all)
    const long hostIdle = h.rssKb(), clientIdle = c.rssKb();
    sendPumped(s, s.clients[0], shareLines(1, map, "P0"));
    const auto [hostPeak, clientPeak] = peaks(h, &c, 15000, s);
    std::printf("  window host:   idle %.1f MB, peak %.1f MB (+%.1f), held 15 s later %.1f MB\n", mb(hostIdle),
                mb(hostPeak), mb(hostPeak - hostIdle), mb(h.rssKb()));
    std::printf("  window client: idle %.1f MB, peak %.1f MB (+%.1f), held 15 s later %.1f MB\n", mb(clientIdle),
                mb(clientPeak), mb(clientPeak - clientIdle), mb(c.rssKb()));
    c.kill();
    h.kill();
}

/// Three players announce the largest picture and send a slice every 10 s;
/// a fourth shares a small map: does it reach a watching player? Then a
/// picture whose header claims 60000 x 60000: is it passed on?
void trickleRun()
{
    std::printf("trickle: 3 players announce 16 MiB pictures and send a slice every 10 s; a 4th shares a "
                "small map at 3 s and at 25 s; then a picture claiming 60000 x 60000\n");
    Host h = startHost();
    Swarm s(h.port, 1);
    s.joinAll(0, 4, 4); // 0..2 trickle, 3 shares
    const int watcher = s.connect();
    s.sendLine(s.clients[size_t(watcher)], "[Tavernix]1");
    s.join(s.clients[size_t(watcher)], "Guarda");
    s.drain(1000, 10000);
    std::string big(16 * 1024 * 1024, 'x');
    big.replace(0, 24, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x10\0\0\0\x10\0", 24));
    std::vector<std::string> slices;
    for (const QByteArray &line : session::PictureAssembler::encode(1, QByteArray::fromStdString(big), {}))
        slices.push_back(line.toStdString());
    for (int i = 0; i < 3; ++i)
        s.sendLine(s.clients[size_t(i)], slices[0].substr(0, slices[0].size() - 2));
    const std::string small = mapPng(300);
    Client &w = s.clients[size_t(watcher)];
    w.watch = "[Immagine Condivisa]";
    const int64_t t0 = nowUs();
    int next = 1;
    bool shared1 = false, shared2 = false;
    int64_t reached1 = -1, reached2 = -1;
    while (nowUs() - t0 < 35000000) {
        const double t = double(nowUs() - t0) / 1e6;
        if (t >= (next - 1) * 10.0 && next < int(slices.size())) {
            for (int i = 0; i < 3; ++i)
                sendPumped(s, s.clients[size_t(i)], slices[size_t(next)]);
            ++next;
        }
        if (!shared1 && t >= 3) {
            shared1 = true;
            w.watchUs = 0;
            sendPumped(s, s.clients[3], shareLines(7, small, "P3"));
        }
        if (shared1 && reached1 < 0 && w.watchUs)
            reached1 = (w.watchUs - t0) / 1000 - 3000;
        if (!shared2 && t >= 25) {
            shared2 = true;
            w.watchUs = 0;
            sendPumped(s, s.clients[3], shareLines(8, small, "P3"));
        }
        if (shared2 && reached2 < 0 && w.watchUs)
            reached2 = (w.watchUs - t0) / 1000 - 25000;
        s.pump(20);
    }
    std::printf("  the 4th player's map reached the watcher %ld ms after the share at 3 s, %ld ms after the "
                "one at 25 s (-1: never)\n",
                long(reached1), long(reached2));
    // A header that lies: 60000 x 60000 in an otherwise small file.
    std::string liar = small;
    liar.replace(16, 8, std::string("\0\0\xea\x60\0\0\xea\x60", 8));
    w.watchUs = 0;
    sendPumped(s, s.clients[3], shareLines(9, liar, "P3"));
    s.pumpFor(3000);
    std::printf("  a picture claiming 60000 x 60000: passed on by the host: %s\n", w.watchUs ? "yes" : "no");
    h.kill();
}

} // namespace

int main(int argc, char **argv)
{
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--binary") {
            g_binary = value();
            if (char *full = ::realpath(g_binary.c_str(), nullptr)) {
                g_binary = full;
                std::free(full);
            }
        }
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
            std::fprintf(stderr, "usage: %s [--binary PATH] [--only memory,join,overload,steady,biglines,bigline,strangers,"
                                 "lockout,fdlimit,unknowntag,replay,stalledreplay,names,pane,journal,links,bigpicture,trickle] "
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
    if (want("lockout"))
        lockoutRun();
    if (want("fdlimit"))
        fdLimitRun();
    if (want("unknowntag"))
        unknownTagRun();
    if (want("replay"))
        replayRun();
    if (want("stalledreplay"))
        stalledReplayRun();
    if (want("names"))
        namesRun();
    if (want("pane"))
        paneRun();
    if (want("journal"))
        journalRun();
    if (want("links"))
        linksRun();
    if (want("bigpicture"))
        bigPictureRun();
    if (want("trickle"))
        trickleRun();
    return 0;
}
