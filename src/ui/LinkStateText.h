#pragma once

#include "base/TextId.h"
#include "receiver/LinkStatus.h"
#include "receiver/OutageWatch.h"

// The words of the status label for each state of the link; the label
// follows Connected's text directly with the port's name.
constexpr TextId linkStateText(LinkState state)
{
    switch (state) {
    case LinkState::NoPort:
        break;
    case LinkState::Connected:
        return TextId::ConnectedTo;
    case LinkState::Failed:
        return TextId::ConnectionFailed;
    case LinkState::Regained:
        return TextId::ConnectionSucceeded;
    }
    return TextId::ConnectSerialPort;
}

// The words of the status label while the link has failed; "%s" takes the
// time the failure began.
constexpr TextId outageText(OutageCause cause)
{
    switch (cause) {
    case OutageCause::NoAnswer:
        break;
    case OutageCause::PortLost:
        return TextId::LinkPortLostSince;
    case OutageCause::PortUnavailable:
        return TextId::LinkPortUnavailableSince;
    }
    return TextId::LinkNoAnswerSince;
}
