#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "data/Call.h"
#include "calls/ServiceLevel.h"

struct SetupRecord;

// What one entry of the pop-up call window shows.
struct PopupEntryView
{
    std::string top;
    std::string middle;
    std::string bottom;
    // Set from the first update on; until then the window's own colours.
    std::optional<ColourPair> colours;
};

// The five entries of the pop-up call window, newest call in entry 0. They
// live as long as the window: a new window starts with empty entries.
//
// Main thread only.
class PopupEntries
{
public:
    static constexpr int Count = 5;
    static constexpr const char *Placeholder = "-";

    PopupEntries();

    // Shifts every call one entry down (the oldest leaves) and shows the
    // call in entry 0.
    void show(const CallPtr &call);
    // The entry showing the call, if any.
    std::optional<int> find(const CCall &call) const;
    // The entry takes the call (a repeated press); its top and middle texts follow.
    void refresh(int entry, const CallPtr &call);
    // Recomputes the entry's colours and bottom text from its call.
    void update(int entry, const SetupRecord &setup, std::uint32_t lcid);

    const PopupEntryView &view(int entry) const { return m_entries[std::size_t(entry)].view; }
    const CallPtr &call(int entry) const { return m_entries[std::size_t(entry)].call; }

private:
    struct Entry
    {
        CallPtr call;
        bool received = false;
        PopupEntryView view;
    };

    void setCall(Entry &entry, const CallPtr &call);

    std::array<Entry, Count> m_entries;
};
