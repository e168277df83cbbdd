#include "board/BoardHub.h"

#include <algorithm>
#include <cstdio>

#include <Poco/Timestamp.h>

#include "board/BoardStream.h"

namespace
{
std::int64_t nowMs()
{
    return Poco::Timestamp().epochMicroseconds() / 1000;
}

void appendJsonString(std::string &out, const std::string &text)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string colourText(std::uint32_t argb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(argb & 0xFFFFFF));
    return text;
}

void appendCall(std::string &out, const BoardCall &call)
{
    out += "{\"key\":";
    appendJsonString(out, call.key);
    out += ",\"pager\":";
    appendJsonString(out, call.pager);
    out += ",\"zone\":";
    appendJsonString(out, call.zone);
    out += ",\"service\":";
    appendJsonString(out, call.service);
    out += ",\"attendant\":";
    appendJsonString(out, call.attendant);
    out += ",\"callTime\":" + std::to_string(call.callTimeMs);
    out += ",\"level\":" + std::to_string(call.level);
    out += ",\"levelText\":";
    appendJsonString(out, call.levelText);
    out += ",\"bg\":\"" + colourText(call.background) + "\",\"fg\":\"" + colourText(call.text) + "\"}";
}

void appendCalls(std::string &out, const std::vector<const BoardCall *> &calls)
{
    out += '[';
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (i > 0)
            out += ',';
        appendCall(out, *calls[i]);
    }
    out += ']';
}

std::string eventText(const char *name, const std::string &data)
{
    return std::string("event: ") + name + "\ndata: " + data + "\n\n";
}
}

BoardHub::BoardHub()
    : m_thread {[this](std::stop_token stop) { run(stop); }}
{
}

BoardHub::~BoardHub()
{
    m_thread.request_stop();
    m_thread.join();
    closeAll();
}

void BoardHub::publish(BoardState state)
{
    {
        std::lock_guard lock(m_mailboxMutex);
        m_mailbox = std::move(state);
    }
    m_mailboxReady.notify_one();
}

std::shared_ptr<BoardStream> BoardHub::open(const std::string &device)
{
    std::lock_guard lock(m_streamsMutex);
    if (m_streams.size() >= MaxStreams)
        return nullptr;
    auto stream = std::make_shared<BoardStream>(device, MaxQueuedBytes);
    stream->push(stateEvent(m_current, nowMs()));
    m_streams.push_back(stream);
    m_streamsChanged.notify_all();
    return stream;
}

void BoardHub::forget(const std::shared_ptr<BoardStream> &stream)
{
    std::erase(m_streams, stream);
    m_streamsChanged.notify_all();
}

void BoardHub::close(const std::shared_ptr<BoardStream> &stream)
{
    stream->close();
    std::lock_guard lock(m_streamsMutex);
    forget(stream);
}

void BoardHub::cutOff(const std::string &device)
{
    std::lock_guard lock(m_streamsMutex);
    for (const auto &stream : m_streams) {
        if (stream->device() == device)
            stream->close();
    }
}

void BoardHub::closeAll()
{
    std::lock_guard lock(m_streamsMutex);
    for (const auto &stream : m_streams)
        stream->close();
}

std::size_t BoardHub::streamCount() const
{
    std::lock_guard lock(m_streamsMutex);
    return m_streams.size();
}

bool BoardHub::waitForStreamCount(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_streamsMutex);
    return m_streamsChanged.wait_for(lock, timeout, [&] { return m_streams.size() == count; });
}

void BoardHub::run(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        BoardState next;
        {
            std::unique_lock lock(m_mailboxMutex);
            if (!m_mailboxReady.wait(lock, stop, [&] { return m_mailbox.has_value(); }))
                return;
            next = std::move(*m_mailbox);
            m_mailbox.reset();
        }
        // Only this thread writes m_current, so it reads it unlocked and
        // formats outside the lock.
        const std::string event = changeEvent(m_current, next, nowMs());
        if (event.empty())
            continue;
        std::lock_guard lock(m_streamsMutex);
        m_current = std::move(next);
        // A full stream closes itself; its connection thread then ends and
        // forgets it.
        for (const auto &stream : m_streams)
            stream->push(event);
    }
}

std::string BoardHub::stateEvent(const BoardState &state, std::int64_t nowMs)
{
    std::vector<const BoardCall *> calls;
    for (const auto &call : state.calls)
        calls.push_back(&call);
    std::string data = "{\"now\":" + std::to_string(nowMs) + ",\"alert\":";
    appendJsonString(data, state.alert);
    data += ",\"calls\":";
    appendCalls(data, calls);
    data += '}';
    return eventText("state", data);
}

std::string BoardHub::changeEvent(const BoardState &from, const BoardState &to, std::int64_t nowMs)
{
    std::vector<const BoardCall *> upserts;
    for (const auto &call : to.calls) {
        const auto old = std::find_if(from.calls.begin(), from.calls.end(),
                                      [&](const BoardCall &candidate) { return candidate.key == call.key; });
        if (old == from.calls.end() || !(*old == call))
            upserts.push_back(&call);
    }
    std::vector<const std::string *> removals;
    for (const auto &call : from.calls) {
        const bool kept = std::any_of(to.calls.begin(), to.calls.end(),
                                      [&](const BoardCall &candidate) { return candidate.key == call.key; });
        if (!kept)
            removals.push_back(&call.key);
    }
    if (upserts.empty() && removals.empty() && from.alert == to.alert)
        return {};
    std::string data = "{\"now\":" + std::to_string(nowMs) + ",\"alert\":";
    appendJsonString(data, to.alert);
    data += ",\"upsert\":";
    appendCalls(data, upserts);
    data += ",\"remove\":[";
    for (std::size_t i = 0; i < removals.size(); ++i) {
        if (i > 0)
            data += ',';
        appendJsonString(data, *removals[i]);
    }
    data += "]}";
    return eventText("change", data);
}
