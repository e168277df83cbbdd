#include "receiver/OutageWatch.h"

std::string_view causeName(OutageCause cause)
{
    switch (cause) {
    case OutageCause::NoAnswer:
        break;
    case OutageCause::PortLost:
        return "port-lost";
    case OutageCause::PortUnavailable:
        return "port-unavailable";
    }
    return "no-answer";
}

std::optional<OutageCause> causeFromName(std::string_view name)
{
    for (const OutageCause cause : {OutageCause::NoAnswer, OutageCause::PortLost, OutageCause::PortUnavailable}) {
        if (causeName(cause) == name)
            return cause;
    }
    return std::nullopt;
}

OutageWatch::Step OutageWatch::portStarted(const Poco::Timestamp &now, const std::string &port)
{
    m_open = true;
    m_port = port;
    m_startedAt = now;
    m_lastFrame.reset();
    m_askingSince.reset();
    m_lastAsked.reset();
    return {};
}

OutageWatch::Step OutageWatch::portStopped(const Poco::Timestamp &now, const std::string &port,
                                                   bool expected)
{
    m_open = false;
    m_askingSince.reset();
    if (expected)
        return {};
    return fail(OutageCause::PortLost, now, port.empty() ? m_port : port);
}

OutageWatch::Step OutageWatch::openFailed(const Poco::Timestamp &now, const std::string &port)
{
    if (m_open)
        return {};
    return fail(OutageCause::PortUnavailable, now, port);
}

OutageWatch::Step OutageWatch::frame(const Poco::Timestamp &now)
{
    m_lastFrame = now;
    m_askingSince.reset();
    Step step;
    if (m_outage) {
        step.ended = std::move(m_outage);
        step.endedAt = now;
        m_outage.reset();
    }
    return step;
}

OutageWatch::Step OutageWatch::tick(const Poco::Timestamp &now)
{
    if (!m_open)
        return {};
    if (!m_lastFrame) {
        // Nothing since the start: the link check asks every 2 s.
        if (now - m_startedAt >= supervision::FirstFrameWithin.totalMicroseconds())
            return fail(OutageCause::NoAnswer, m_startedAt, m_port);
        return {};
    }
    if (m_outage)
        return ask(now);
    if (!m_askingSince) {
        if (now - *m_lastFrame < supervision::SilenceBeforeAsking.totalMicroseconds())
            return {};
        m_askingSince = now;
    }
    if (now - *m_askingSince >= supervision::AnswerWithin.totalMicroseconds()) {
        Step step = fail(OutageCause::NoAnswer, *m_lastFrame, m_port);
        step.sendHeartbeat = ask(now).sendHeartbeat;
        return step;
    }
    return ask(now);
}

// While the receiver is asked, a request goes out every 2 s; a failure
// whose port is still open keeps asking, so the receiver's first answer ends
// it.
OutageWatch::Step OutageWatch::ask(const Poco::Timestamp &now)
{
    Step step;
    if (!m_lastAsked || now - *m_lastAsked >= supervision::AskEvery.totalMicroseconds()) {
        m_lastAsked = now;
        step.sendHeartbeat = true;
    }
    return step;
}

OutageWatch::Step OutageWatch::fail(OutageCause cause, const Poco::Timestamp &since, const std::string &port)
{
    Step step;
    if (m_outage)
        return step;
    m_outage = LinkOutage {cause, since, port};
    step.began = m_outage;
    return step;
}
