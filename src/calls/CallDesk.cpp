#include "calls/CallDesk.h"

#include <algorithm>
#include <numeric>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/CallStore.h"
#include "data/SetupRecord.h"
#include "calls/CallOrder.h"
#include "calls/CallText.h"
#include "calls/ICallDeskView.h"

namespace
{
constexpr std::size_t OpenCallBuckets = 1024;
}

CallDesk::CallDesk(ICallStore &store, SetupRecord &setup, const IClock &clock, ISoundPlayer &player, ICallDeskView &view,
                   std::uint32_t lcid)
    : m_store {store}
    , m_saver {store}
    , m_setup {setup}
    , m_clock {clock}
    , m_view {view}
    , m_lcid {lcid}
    , m_unanswered {CallListId::Unanswered, view}
    , m_calls {CallListId::Calls, view}
    , m_sounds {player}
    , m_clockText {asctimeText(clock.now())}
{
    m_openCalls.reserve(OpenCallBuckets);
    m_saver.setOnChange([this] { m_view.unsavedCallsChanged(); });
}

const CallRows &CallDesk::list(CallListId list) const
{
    return list == CallListId::Calls ? m_calls : m_unanswered;
}

int CallDesk::rowLimit()
{
    m_setup.LeastRecords = std::clamp(m_setup.LeastRecords, MinRowLimit, MaxRowLimit);
    return m_setup.LeastRecords;
}

// The receiver's clock, unless the PC's is asked for or the frame's date and
// time bytes are not a valid time: then the PC's, so the call still counts.
Poco::LocalDateTime CallDesk::timeOfFrame(const std::optional<Poco::LocalDateTime> &frameTime, const char *what) const
{
    if (m_setup.has(SetupRecord::OptUseSystemTime))
        return m_clock.now();
    if (!frameTime) {
        logEvent(std::string(what) + " frame carries an invalid date or time; using the PC's clock");
        return m_clock.now();
    }
    return *frameTime;
}

void CallDesk::onCallFrame(const std::string &pagerNum, int key, const std::optional<Poco::LocalDateTime> &frameTime)
{
    auto created = std::make_shared<CCall>(m_clock.now());
    created->PagerNum = pagerNum;
    const auto [slot, isNew] = m_openCalls.try_emplace(pagerNum, created);
    const CallPtr call = slot->second;

    if (!m_setup.has(SetupRecord::OptUseSystemTime))
        call->CallTime = timeOfFrame(frameTime, "call");
    m_store.LookupCall(*call, call->CallTime, key, pagerNum);
    call->SevStatus = CCall::Open;
    call->ProcessTime = call->CallTime;

    const bool popupWanted = m_setup.has(SetupRecord::OptShowCallingWnd);
    if (isNew) {
        if (popupWanted)
            showInPopup(call);
        giveCallListRow(call);
        m_unanswered.insertSorted(call);
    } else {
        m_calls.changedEverywhere(*call);
        m_unanswered.changedEverywhere(*call);
        if (popupWanted && m_popup) {
            if (const auto entry = m_popup->find(*call)) {
                m_popup->refresh(*entry, call);
                m_view.popupEntryChanged(*entry);
                m_view.popupRaise();
            }
        } else if (popupWanted) {
            showInPopup(call);
        }
    }
    m_saver.save(call);
    if (!popupWanted)
        m_view.flashWindow();
}

void CallDesk::onCancelFrame(const std::string &pagerNum, const std::optional<Poco::LocalDateTime> &frameTime)
{
    for (std::size_t row = 0; row < m_unanswered.size();) {
        const CallPtr call = m_unanswered.at(row);
        if (call->PagerNum != pagerNum) {
            ++row;
            continue;
        }
        call->SevStatus = CCall::Answered;
        call->ProcessTime = timeOfFrame(frameTime, "cancel");
        call->SevTotalSeconds = call->ProcessTime - call->CallTime;
        m_calls.changedEverywhere(*call);
        m_saver.save(call);
        m_unanswered.removeAt(row);
        m_openCalls.erase(call->PagerNum);
        if (m_setup.has(SetupRecord::OptShowCallingWnd) && m_popup) {
            if (const auto entry = m_popup->find(*call)) {
                m_popup->update(*entry, m_setup, m_lcid);
                m_view.popupEntryChanged(*entry);
            }
        }
    }
    if (m_calls.size() > std::size_t(rowLimit()))
        trimOnce();
}

void CallDesk::showInPopup(const CallPtr &call)
{
    const bool create = !m_popup;
    if (create) {
        m_popup = std::make_unique<PopupEntries>();
        m_view.popupCreate(m_setup.has(SetupRecord::OptHoverMost));
    }
    m_popup->show(call);
    for (int entry = 0; entry < PopupEntries::Count; ++entry)
        m_view.popupEntryChanged(entry);
    m_view.popupRaise();
}

void CallDesk::popupClosed()
{
    m_popup.reset();
}

std::size_t CallDesk::lastInTrimOrder() const
{
    std::size_t last = 0;
    for (std::size_t row = 1; row < m_calls.size(); ++row) {
        if (comesBeforeInTrimOrder(*m_calls.at(last), *m_calls.at(row)))
            last = row;
    }
    return last;
}

// The call list keeps R rows: an answered row at the end of the trim order
// makes room for the new call; open calls are never dropped, so a list of
// R open calls grows.
void CallDesk::giveCallListRow(const CallPtr &call)
{
    const std::size_t limit = std::size_t(rowLimit());
    if (m_calls.size() > limit) {
        std::vector<std::size_t> order(m_calls.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return comesBeforeInTrimOrder(*m_calls.at(a), *m_calls.at(b));
        });
        std::vector<std::size_t> doomed;
        while (order.size() > limit && m_calls.at(order.back())->isAnswered()) {
            doomed.push_back(order.back());
            order.pop_back();
        }
        // Remove from the bottom up so the indexes still hold.
        std::sort(doomed.rbegin(), doomed.rend());
        for (std::size_t row : doomed)
            m_calls.removeAt(row);
    }
    if (m_calls.size() == limit) {
        const std::size_t last = lastInTrimOrder();
        if (m_calls.at(last)->isAnswered()) {
            m_calls.reuse(last, call);
            return;
        }
    }
    m_calls.insertSorted(call);
}

void CallDesk::trimOnce()
{
    const std::size_t last = lastInTrimOrder();
    if (m_calls.at(last)->isAnswered())
        m_calls.removeAt(last);
}

void CallDesk::tick()
{
    if (m_saver.waiting() > 0)
        m_saver.retry();
    const Poco::LocalDateTime now = m_clock.now();
    const std::int64_t w1 = wholeSeconds(m_setup.Warn1Time);
    const std::int64_t w2 = wholeSeconds(m_setup.Warn2Time);
    const std::int64_t timeout = wholeSeconds(m_setup.SevTimeout);
    const bool systemTime = m_setup.has(SetupRecord::OptUseSystemTime);
    const bool keepTiming = m_setup.has(SetupRecord::OptTimeoutRestart);
    bool reachedW1 = false;
    bool reachedW2 = false;
    bool alarm = false;

    for (std::size_t row = 0; row < m_calls.size(); ++row) {
        CCall &call = *m_calls.at(row);
        if (call.isAnswered())
            continue;
        const Poco::Timespan elapsed = systemTime ? Poco::Timespan(now - call.CallTime) : call.SevTotalSeconds;
        const std::int64_t s = wholeSeconds(elapsed);
        const WarningCrossings::Crossed crossed = m_crossings.observe(m_calls.at(row), s, w1, w2);
        reachedW1 = reachedW1 || crossed.warn1;
        reachedW2 = reachedW2 || crossed.warn2;
        if (s >= w1 || s >= w2) {
            alarm = true;
            // Stored at once: the statistics count the flag, and a call
            // never answered would otherwise never carry it.
            if (!call.TimeOut) {
                call.TimeOut = true;
                m_saver.save(m_calls.at(row));
            }
        }
        if (keepTiming || s <= timeout) {
            call.SevTotalSeconds = systemTime ? elapsed : elapsed + Poco::Timespan(1, 0);
            m_calls.changed(row, row);
        }
    }
    m_crossings.endTick();
    m_sounds.step(reachedW1, reachedW2, alarm, m_setup);
    if (m_popup)
        updatePopupEntries();
    if (m_unanswered.size() > 0)
        m_unanswered.changed(0, m_unanswered.size() - 1);
    m_clockText = asctimeText(now);
}

void CallDesk::updatePopupEntries()
{
    for (int entry = 0; entry < PopupEntries::Count; ++entry) {
        m_popup->update(entry, m_setup, m_lcid);
        m_view.popupEntryChanged(entry);
    }
}

namespace
{
// The same stored call: its row, unchanged in pager and call time (to the
// second, as the history keeps it).
bool sameRow(const CCall &stored, const CCall &mine)
{
    return stored.ID != 0 && stored.ID == mine.ID && stored.PagerNum == mine.PagerNum
        && utcText(stored.CallTime) == utcText(mine.CallTime);
}
}

// A pager's open call on the desk wins over other open calls of the pager in
// the history: a restored backup may hold an older call of a pager that was
// answered since, and the pager's new call, which came during the restore,
// is the one its attendant's cancel must answer. A call the history has not
// taken yet is kept too; it is not in the history to be read.
void CallDesk::reloadOpenCalls()
{
    const auto calls = m_store.LoadUntreatedToday(m_clock.now());
    const std::unordered_map<std::string, CallPtr> before = std::move(m_openCalls);
    m_calls.removeAll();
    m_unanswered.removeAll();
    m_openCalls.clear();
    m_openCalls.reserve(OpenCallBuckets);
    const auto keep = [this](const CallPtr &call) {
        if (m_openCalls.try_emplace(call->PagerNum, call).second) {
            m_calls.append(call);
            m_unanswered.append(call);
        }
    };
    const auto waits = [this](const CallPtr &call) {
        const auto &waiting = m_saver.waitingCalls();
        return std::find(waiting.begin(), waiting.end(), call) != waiting.end();
    };
    std::unordered_map<std::uint64_t, const CCall *> loaded;
    loaded.reserve(calls.size());
    for (const CallPtr &call : calls)
        loaded.emplace(call->ID, call.get());
    for (const auto &[pager, mine] : before) {
        const auto row = loaded.find(mine->ID);
        if ((row != loaded.end() && sameRow(*row->second, *mine)) || waits(mine))
            keep(mine);
    }
    // A second open call of the same pager stays in the history only.
    for (const CallPtr &call : calls)
        keep(call);
    m_calls.sortBy(m_calls.sortKey());
    m_unanswered.sortBy(m_unanswered.sortKey());
}

void CallDesk::sortBy(CallListId list, int key)
{
    (list == CallListId::Calls ? m_calls : m_unanswered).sortBy(key);
}

void CallDesk::setRemark(const CallPtr &call, const std::string &remark)
{
    if (remark == call->Remark)
        return;
    call->Remark = remark;
    m_saver.saveRemark(call);
    m_calls.changedEverywhere(*call);
    m_unanswered.changedEverywhere(*call);
}
