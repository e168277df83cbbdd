#include "shell/DeskEventLog.h"

#include <variant>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "calls/CallDesk.h"
#include "calls/CallText.h"

namespace
{
std::string describe(const std::string &text)
{
    return text.empty() ? "-" : text;
}
}

DeskEventLog::DeskEventLog(const CallDesk &desk)
    : m_desk {desk}
{
}

void DeskEventLog::linkStatusChanged(const LinkStatus &status)
{
    const LinkStatus previous = m_status;
    m_status = status;
    switch (status.state) {
    case LinkState::Connected:
        logEvent("port " + status.portName + " opened");
        break;
    case LinkState::Failed:
        logEvent("link failed: the receiver does not answer");
        break;
    case LinkState::Regained:
        logEvent("link regained: the receiver answers again");
        break;
    case LinkState::NoPort:
        if (previous.state != LinkState::NoPort && !m_closing)
            logEvent("port lost");
        break;
    }
}

void DeskEventLog::portClosing()
{
    m_closing = true;
}

void DeskEventLog::portClosed(const std::string &port, bool closed)
{
    logEvent(closed ? "port " + port + " closed" : "port " + port + " did not close in time; its reading thread still runs");
}

void DeskEventLog::unsavedCall(const CCall &call)
{
    std::string line = "unsaved call: pager " + call.PagerNum + " (" + describe(call.PagerName) + ", "
        + describe(call.Zone) + ", " + describe(call.SevType) + ", attendant " + describe(call.EmpName)
        + "), called " + callTimeText(call.CallTime);
    if (call.isAnswered())
        line += ", answered " + callTimeText(call.ProcessTime) + " after "
            + std::to_string(wholeSeconds(call.SevTotalSeconds)) + " s";
    else
        line += ", not answered";
    if (call.TimeOut)
        line += ", timed out";
    if (!call.Remark.empty())
        line += ", remark \"" + call.Remark + "\"";
    logEvent(line);
}

void DeskEventLog::frameHandled(const FrameRecord &record, bool repeat)
{
    const auto *command = std::get_if<stCommand>(&record);
    if (!command)
        return;
    const std::string pager = command->pagerNumber();
    if (repeat)
        logEvent("repeat from pager " + pager + " (sequence " + std::to_string(command->sequence())
                 + "), acknowledged again");
    else if (command->type() == frame::TypeCall)
        call(pager, command->key());
    else if (command->type() == frame::TypeCancel)
        logEvent("cancel from pager " + pager + ": answered");
}

void DeskEventLog::call(const std::string &pagerNum, int key)
{
    for (const CallPtr &call : m_desk.list(CallListId::Unanswered).rows()) {
        if (call->PagerNum != pagerNum)
            continue;
        logEvent("call from pager " + pagerNum + " key " + std::to_string(key) + ": " + describe(call->PagerName) + ", "
                 + describe(call->Zone) + ", " + describe(call->SevType) + ", attendant " + describe(call->EmpName));
        return;
    }
    logEvent("call from pager " + pagerNum + " key " + std::to_string(key));
}
