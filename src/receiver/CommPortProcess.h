#pragma once

class ReceiveBuffer;

// What the serial channel reports, on its reading thread: its start, every
// batch of bytes it read, and its end.
class ICommPortProcess
{
public:
    virtual ~ICommPortProcess() = default;
    // May shorten the buffer (consume bytes); never lengthens it.
    virtual void OnData(ReceiveBuffer &buffer) = 0;
    virtual void OnStop() {}
    virtual void OnStart() {}
};
