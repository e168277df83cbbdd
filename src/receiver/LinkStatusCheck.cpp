#include "receiver/LinkStatusCheck.h"

LinkStatusCheck::Step LinkStatusCheck::portOpenFailed()
{
    m_status = {LinkState::NoPort, {}};
    return {};
}

LinkStatusCheck::Step LinkStatusCheck::portStarted(bool portOpen, const std::string &portName)
{
    if (!portOpen) {
        m_status = {LinkState::NoPort, {}};
        return {};
    }
    m_status = {LinkState::Connected, portName};
    m_checkRunning = true;
    m_failureShown = false;
    Step step;
    step.startTimer = true;
    step.sendHeartbeat = true;
    return step;
}

LinkStatusCheck::Step LinkStatusCheck::portStopped()
{
    m_status = {LinkState::NoPort, {}};
    return stopCheck();
}

LinkStatusCheck::Step LinkStatusCheck::tick(bool portOpen)
{
    // A tick that was already on its way when the check stopped changes nothing.
    if (!m_checkRunning)
        return {};
    if (!portOpen)
        return stopCheck();
    if (!m_failureShown) {
        m_failureShown = true;
        m_status = {LinkState::Failed, {}};
    }
    Step step;
    step.sendHeartbeat = true;
    return step;
}

LinkStatusCheck::Step LinkStatusCheck::frameProcessed()
{
    if (m_failureShown) {
        m_failureShown = false;
        m_status = {LinkState::Regained, {}};
    }
    return stopCheck();
}

LinkStatusCheck::Step LinkStatusCheck::outageEnded()
{
    m_failureShown = false;
    m_status = {LinkState::Regained, {}};
    return stopCheck();
}

LinkStatusCheck::Step LinkStatusCheck::stopCheck()
{
    Step step;
    step.stopTimer = m_checkRunning;
    m_checkRunning = false;
    return step;
}
