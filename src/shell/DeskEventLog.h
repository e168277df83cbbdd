#pragma once

#include <string>

#include "receiver/FrameRecord.h"
#include "receiver/LinkStatus.h"

class CallDesk;
class CCall;

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
    // closed: the reading thread ended within its time.
    void portClosed(const std::string &port, bool closed);
    // After the core has handled the frame.
    void frameHandled(const FrameRecord &record, bool repeat);
    // A call the history never took, as the desk ends.
    void unsavedCall(const CCall &call);

private:
    void call(const std::string &pagerNum, int key);

    const CallDesk &m_desk;
    LinkStatus m_status;
    bool m_closing = false;
};
