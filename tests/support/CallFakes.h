#pragma once

#include <string>
#include <vector>

#include "calls/ICallDeskView.h"
#include "calls/ISoundPlayer.h"

// Records what the core asks of the sound player, as "once:PATH",
// "loop:PATH", "stop", "alarm:PATH" and "preview:PATH".
class FakeSoundPlayer : public ISoundPlayer
{
public:
    void playOnce(const std::string &path) override { events.push_back("once:" + path); }
    void playLooped(const std::string &path) override { events.push_back("loop:" + path); }
    void stop() override { events.push_back("stop"); }
    void playAlarm(const std::string &path) override { events.push_back("alarm:" + path); }
    void playPreview(const std::string &path) override { events.push_back("preview:" + path); }

    std::vector<std::string> events;
};

// Records what the core tells the windows.
class RecordingView : public ICallDeskView
{
public:
    void rowInserted(CallListId list, int row) override { note(list, "insert", row); }
    void rowRemoved(CallListId list, int row) override { note(list, "remove", row); }
    void rowsChanged(CallListId list, int first, int) override { note(list, "change", first); }
    void rowsReset(CallListId list) override { note(list, "reset", 0); }
    void popupCreate(bool owned) override
    {
        ++popupsCreated;
        lastPopupOwned = owned;
    }
    void popupEntryChanged(int) override {}
    void popupRaise() override { ++popupRaises; }
    void flashWindow() override { ++flashes; }
    void unsavedCallsChanged() override { ++unsavedChanges; }

    std::vector<std::string> events;
    int popupsCreated = 0;
    bool lastPopupOwned = false;
    int popupRaises = 0;
    int flashes = 0;
    int unsavedChanges = 0;

private:
    void note(CallListId list, const char *what, int row)
    {
        events.push_back(std::string(list == CallListId::Calls ? "calls " : "unanswered ") + what + " "
                         + std::to_string(row));
    }
};
