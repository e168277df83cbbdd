#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "support/RecordingMessagePrompt.h"
#include "support/SiteDatabase.h"

// A site window of type Window on the test site, shown, with the message
// boxes recorded (questions answered No unless queued otherwise).
template <typename Window>
struct OpenSiteWindow
{
    SiteDatabase site;
    RecordingMessagePrompt prompt;
    std::unique_ptr<Window> window;

    // prepare runs on the site before the window opens.
    explicit OpenSiteWindow(const std::function<void(SiteDatabase &)> &prepare = {})
    {
        if (prepare)
            prepare(site);
        window = std::make_unique<Window>(site.db(), nullptr);
        window->show();
    }

    QString lastMessage() const
    {
        return prompt.shown.empty() ? QString() : prompt.shown.back().text;
    }

    // From now on the database refuses every change of the table, and
    // every question is answered Yes.
    void refuseChangesOf(const QString &table)
    {
        site.refuseChanges(table.toStdString(), "the disk is full");
        prompt.defaultAnswer = PromptAnswer::Yes;
    }
};
