#pragma once

#include <QObject>

class QAbstractSocket;
class QTimer;

namespace session
{

/**
 * @brief Notices a host that has gone away without closing the connection
 * (a machine switched off, a network that drops silently), which a socket
 * alone would not notice for a quarter of an hour.
 *
 * The host side beats: beat() fires every beatMs, and the host sends its
 * clients a short line then. The client side listens: once armed, silence
 * longer than silenceMs fires silent(), and any read (heard()) restarts the
 * count. A client arms it only after a first beat, so a host that never
 * beats is never taken for a silent one; for such a host the system's own
 * keepalive probes (enableKeepAlive()) do the noticing.
 */
class Heartbeat : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultBeatMs = 15000;
    static constexpr int kDefaultSilenceMs = 45000;
    /// Seconds of keepalive probing before the system gives a peer up.
    static constexpr int kKeepAliveIdleS = 15;
    static constexpr int kKeepAliveIntervalS = 5;
    static constexpr int kKeepAliveCount = 6;

    explicit Heartbeat(QObject *parent = nullptr);

    void setIntervals(int beatMs, int silenceMs);
    int beatMs() const { return m_beatMs; }
    int silenceMs() const { return m_silenceMs; }

    // --- host ---------------------------------------------------------------
    void startBeating();
    void stopBeating();
    bool isBeating() const;

    // --- client -------------------------------------------------------------
    /// From now on, silence longer than silenceMs fires silent().
    void arm();
    /// Something arrived: the silence starts again.
    void heard();
    void disarm();
    bool isArmed() const { return m_armed; }

    /**
     * @brief Asks the system to probe a connected @p socket once it has been
     * idle for a while and to give the peer up when it stops answering, or
     * when sent data stays unacknowledged for as long: a dead peer is then
     * noticed within about 45 seconds. False when the system refused.
     */
    static bool enableKeepAlive(QAbstractSocket *socket);

signals:
    void beat();
    void silent();

private:
    QTimer *m_beat;
    QTimer *m_silence;
    int m_beatMs = kDefaultBeatMs;
    int m_silenceMs = kDefaultSilenceMs;
    bool m_armed = false;
};

} // namespace session
