#pragma once

#include <string>

class CallDesk;

// Who follows the desk's open calls besides its windows (the live board in
// the browser). Told on the desk's thread after anything that may have
// changed them: a frame handled, a tick (levels move on), a failure shown.
// An observer copies what it needs and returns at once; it never makes the
// desk wait.
class IOpenCallsObserver
{
public:
    virtual ~IOpenCallsObserver() = default;

    // alert: the failure the desk shows in red (the link, a refused save),
    // in the desk's language; empty when there is none.
    virtual void openCallsChanged(const CallDesk &desk, const std::string &alert) = 0;
};
