#pragma once

#include <string>

#include "receiver/FrameRecord.h"
#include "receiver/LinkStatus.h"

class CallDesk;

// The desk's events on the log: the port opened, closed or lost, the link
// to the receiver failed or regained, and every call, repeat and cancel with
// what the call was resolved to. Main thread only.
class DeskEventLog
{
public:
    explicit DeskEventLog(const CallDesk &desk);

    void linkStatusChanged(const LinkStatus &status);
    // The desk closes the port itself: its stop is no loss.
    void portClosing();
    void portClosed(const std::string &port);
    // After the core has handled the frame.
    void frameHandled(const FrameRecord &record, bool repeat);

private:
    void call(const std::string &pagerNum, int key);

    const CallDesk &m_desk;
    LinkStatus m_status;
    bool m_closing = false;
};
