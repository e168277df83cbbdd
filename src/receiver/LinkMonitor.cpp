#include "receiver/LinkMonitor.h"

LinkMonitor::Step LinkMonitor::portOpenFailed()
{
    m_status = {LinkText::ConnectSerialPort, {}};
    return {};
}

LinkMonitor::Step LinkMonitor::portStarted(bool portOpen, const std::string &portName)
{
    if (!portOpen) {
        m_status = {LinkText::ConnectSerialPort, {}};
        return {};
    }
    m_status = {LinkText::ConnectedTo, portName};
    m_checkRunning = true;
    m_failureShown = false;
    Step step;
    step.startTimer = true;
    step.sendHeartbeat = true;
    return step;
}

LinkMonitor::Step LinkMonitor::portStopped()
{
    m_status = {LinkText::ConnectSerialPort, {}};
    return stopCheck();
}

LinkMonitor::Step LinkMonitor::tick(bool portOpen)
{
    // A tick that was already on its way when the check stopped changes nothing.
    if (!m_checkRunning)
        return {};
    if (!portOpen)
        return stopCheck();
    if (!m_failureShown) {
        m_failureShown = true;
        m_status = {LinkText::ConnectionFailed, {}};
    }
    Step step;
    step.sendHeartbeat = true;
    return step;
}

LinkMonitor::Step LinkMonitor::frameProcessed()
{
    if (m_failureShown) {
        m_failureShown = false;
        m_status = {LinkText::ConnectionSucceeded, {}};
    }
    return stopCheck();
}

LinkMonitor::Step LinkMonitor::stopCheck()
{
    Step step;
    step.stopTimer = m_checkRunning;
    m_checkRunning = false;
    return step;
}
