#include <thread>
#include <vector>

#include <QTest>

#include "ui/MainThreadPoster.h"

class TestMainThreadPoster : public QObject
{
    Q_OBJECT

private slots:
    void messagesFromAnotherThreadArriveOnTheMainThreadInOrder()
    {
        MainThreadPoster poster;
        std::vector<ReceiverMessage> received;
        bool offMainThread = false;
        const auto mainThread = std::this_thread::get_id();
        poster.setHandler([&](ReceiverMessage message) {
            offMainThread = offMainThread || std::this_thread::get_id() != mainThread;
            received.push_back(message);
        });
        const ReceiverMessage kinds[] = {ReceiverMessage::UM_PORT_STARTED, ReceiverMessage::UM_CMD_ARRIVED,
                                         ReceiverMessage::UM_PORT_STOPPED};
        std::thread reader([&] {
            for (int i = 0; i < 300; ++i)
                poster.post(kinds[i % 3]);
        });
        reader.join();
        QVERIFY(received.empty());
        QTRY_COMPARE(received.size(), std::size_t(300));
        QVERIFY(!offMainThread);
        for (std::size_t i = 0; i < received.size(); ++i)
            QVERIFY(received[i] == kinds[i % 3]);
    }
};

QTEST_MAIN(TestMainThreadPoster)
#include "TestMainThreadPoster.moc"
