#pragma once

// The two call lists of the desk.
enum class CallListId
{
    Unanswered,
    Calls,
};

// What the desk's windows hear from the call core. The core never calls a
// widget; the main window implements this and repaints what it is told.
//
// Called on the main thread.
class ICallDeskView
{
public:
    virtual ~ICallDeskView() = default;

    virtual void rowInserted(CallListId list, int row) = 0;
    virtual void rowRemoved(CallListId list, int row) = 0;
    // Rows first..last show new texts or colours.
    virtual void rowsChanged(CallListId list, int first, int last) = 0;
    // Every row may have moved (a sort or a reload).
    virtual void rowsReset(CallListId list) = 0;

    // The pop-up call window must be created (owned by the main window or
    // not) and shown centred; its entries are the core's.
    virtual void popupCreate(bool ownedByMainWindow) = 0;
    virtual void popupEntryChanged(int entry) = 0;
    virtual void popupRaise() = 0;

    // A call arrived while the pop-up window is off: return the main
    // window's caption to its normal state.
    virtual void flashWindow() = 0;

    // Calls began or stopped waiting to be saved to the history, or the
    // reason changed (CallDesk::saver()).
    virtual void unsavedCallsChanged() = 0;
};
