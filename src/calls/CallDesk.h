#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <Poco/LocalDateTime.h>

#include "data/Call.h"
#include "calls/AlertSounds.h"
#include "calls/CallRows.h"
#include "calls/CallSaver.h"
#include "calls/PopupEntries.h"
#include "calls/WarningCrossings.h"

class IClock;
class ICallStore;
class ICallDeskView;
class ISoundPlayer;
struct SetupRecord;

// The desk's call state and its rules: the open call of each pager, the
// unanswered list and the call list, the pop-up entries and the warning
// sounds. The main window holds one, forwards the receiver's frames and its
// timer to it, and draws what the view interface reports.
//
// Main thread only.
class CallDesk
{
public:
    static constexpr int MinRowLimit = 10;
    static constexpr int MaxRowLimit = 1000;

    CallDesk(ICallStore &store, SetupRecord &setup, const IClock &clock, ISoundPlayer &player, ICallDeskView &view,
             std::uint32_t lcid);

    // A key press of a pager. frameTime is the receiver's clock from the
    // frame, nullopt when its bytes are not a valid date and time.
    void onCallFrame(const std::string &pagerNum, int key, const std::optional<Poco::LocalDateTime> &frameTime);
    // The attendant answered the pager's open call.
    void onCancelFrame(const std::string &pagerNum, const std::optional<Poco::LocalDateTime> &frameTime);

    // Once a second: calls the history did not take yet, service times,
    // levels, sounds, pop-up, clock label.
    void tick();

    // Rebuilds both lists from today's open calls in the history.
    void reloadOpenCalls();

    void sortBy(CallListId list, int key);
    // Stores an edited remark when it differs from the call's.
    void setRemark(const CallPtr &call, const std::string &remark);
    // The pop-up window has ended; the next call opens a new one.
    void popupClosed();

    const CallRows &list(CallListId list) const;
    const PopupEntries *popup() const { return m_popup.get(); }
    const std::string &clockText() const { return m_clockText; }
    std::size_t openCallCount() const { return m_openCalls.size(); }
    const AlertSounds &sounds() const { return m_sounds; }
    std::uint32_t lcid() const { return m_lcid; }
    const SetupRecord &setup() const { return m_setup; }
    // The calls the history has not taken yet, tried again on every tick.
    CallSaver &saver() { return m_saver; }
    const CallSaver &saver() const { return m_saver; }

    // The call list's row limit, forced into 10..1000 in the settings too.
    int rowLimit();

private:
    Poco::LocalDateTime timeOfFrame(const std::optional<Poco::LocalDateTime> &frameTime, const char *what) const;
    void showInPopup(const CallPtr &call);
    void giveCallListRow(const CallPtr &call);
    void trimOnce();
    std::size_t lastInTrimOrder() const;
    void updatePopupEntries();

    ICallStore &m_store;
    CallSaver m_saver;
    SetupRecord &m_setup;
    const IClock &m_clock;
    ICallDeskView &m_view;
    std::uint32_t m_lcid;
    std::unordered_map<std::string, CallPtr> m_openCalls;
    CallRows m_unanswered;
    CallRows m_calls;
    std::unique_ptr<PopupEntries> m_popup;
    AlertSounds m_sounds;
    WarningCrossings m_crossings;
    std::string m_clockText;
};
