#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT, turned into a signal on the main thread: the handler
// only writes the signal's number into a socket pair, which the event loop
// watches. While the object lives it owns those two signals; it gives them
// back to their default handling when it goes. One at a time per process;
// created, used and destroyed on the main thread.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
