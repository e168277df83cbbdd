#include "calls/PopupEntries.h"

#include "base/StringTable.h"
#include "data/SetupRecord.h"
#include "calls/CallText.h"

PopupEntries::PopupEntries()
{
    for (Entry &entry : m_entries) {
        // A fresh call of its own: open, no service time, no texts.
        entry.call = std::make_shared<CCall>();
        entry.view = {Placeholder, Placeholder, Placeholder, std::nullopt};
    }
}

void PopupEntries::setCall(Entry &entry, const CallPtr &call)
{
    entry.call = call;
    entry.received = true;
    entry.view.top = callTimeText(call->CallTime);
    entry.view.middle = call->Zone + " " + call->PagerName + " " + call->SevType;
}

void PopupEntries::show(const CallPtr &call)
{
    for (std::size_t i = Count - 1; i > 0; --i) {
        if (m_entries[i - 1].received)
            setCall(m_entries[i], m_entries[i - 1].call);
    }
    setCall(m_entries[0], call);
}

std::optional<int> PopupEntries::find(const CCall &call) const
{
    for (int i = 0; i < Count; ++i) {
        if (m_entries[std::size_t(i)].received && m_entries[std::size_t(i)].call.get() == &call)
            return i;
    }
    return std::nullopt;
}

void PopupEntries::refresh(int entry, const CallPtr &call)
{
    setCall(m_entries[std::size_t(entry)], call);
}

void PopupEntries::update(int index, const SetupRecord &setup, std::uint32_t lcid)
{
    Entry &entry = m_entries[std::size_t(index)];
    const CCall &call = *entry.call;
    const ServiceLevel level = serviceLevel(call, setup);
    entry.view.colours = levelColours(level, setup);
    entry.view.bottom = spanText(call.SevTotalSeconds);
    if (level != ServiceLevel::Normal)
        entry.view.bottom += " " + builtInText(stateText(level), lcid);
}
