#pragma once

#include <functional>

#include <QObject>

#include "receiver/ReceiverMessage.h"

// Brings the messages the serial reading thread posts to the main thread:
// post() queues a call of the handler on the thread the poster lives on and
// returns at once. Messages arrive in the order they were posted; those
// still queued when the poster goes are dropped. It must outlive the link
// whose reading thread posts to it.
class MainThreadPoster : public QObject, public IReceiverMessageSink
{
    Q_OBJECT

public:
    using Handler = std::function<void(ReceiverMessage)>;

    explicit MainThreadPoster(QObject *parent = nullptr);

    // Main thread, before the first post.
    void setHandler(Handler handler);
    // Any thread.
    void post(ReceiverMessage message) override;

private:
    Handler m_handler;
};
