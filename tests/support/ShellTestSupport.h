#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "data/DbManage.h"
#include "support/TempFolder.h"

// A database of its own in a temporary folder, for one window test.
class OperatorDatabase
{
public:
    OperatorDatabase();
    ~OperatorDatabase();

    DbManage &db()
    {
        return *m_db;
    }

    // Stores an operator; the returned record carries its row id.
    stUser add(const std::string &name, const std::string &password, std::uint8_t authority = 0,
               const std::string &post = {}, bool gender = false);
    std::vector<stUser> operators();
    // The stored operator of exactly this name.
    std::optional<stUser> stored(const std::string &name);
    // Makes every statement on the operators fail from now on.
    void breakOperatorTable();

private:
    TempFolder m_folder;
    std::unique_ptr<DbManage> m_db;
};

// Acts on the next modal window of type Window once its modal loop runs (the
// window that opens it blocks in exec()). Returns a flag that turns true
// when the action ran; after the deadline the driver gives up.
template <typename Window>
std::shared_ptr<bool> whenModal(std::function<void(Window &)> action,
                                std::chrono::milliseconds deadline = std::chrono::seconds(20))
{
    auto ran = std::make_shared<bool>(false);
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, ran, until = QDeadlineTimer(deadline)] {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!window && !until.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (window) {
            *ran = true;
            action(*window);
            // A failed check inside the action must not leave the opener
            // blocked in its modal loop.
            if (QTest::currentTestFailed() && window->isVisible())
                window->reject();
        }
    });
    timer->start();
    return ran;
}

// The child of a window by name, for driving it as a user would.
template <typename Control>
Control *control(const QWidget &window, const char *name)
{
    return window.findChild<Control *>(QString::fromLatin1(name));
}
