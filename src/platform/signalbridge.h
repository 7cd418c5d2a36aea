#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

/**
 * @brief Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so a
 * logout or a `kill` ends the program through the window's normal end
 * (connections closed, preferences written) instead of killing it mid-way.
 */
class SignalBridge : public QObject
{
    Q_OBJECT
public:
    explicit SignalBridge(QObject *parent = nullptr);
    ~SignalBridge() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
