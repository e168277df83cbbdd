#include "ui/MainThreadPoster.h"

#include <utility>

MainThreadPoster::MainThreadPoster(QObject *parent)
    : QObject(parent)
{
}

void MainThreadPoster::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void MainThreadPoster::post(ReceiverMessage message)
{
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (m_handler)
                m_handler(message);
        },
        Qt::QueuedConnection);
}
