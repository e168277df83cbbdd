#pragma once

#include <memory>

#include <QDialog>

#include "ui/ChildDialog.h"

// The base of the desk's modeless tool windows (the history list, the
// statistics): ordinary windows of their own, without owner, that minimise
// and maximise, drawn in the desk's frame and named from the string table.
// Main thread only.
class ToolWindow : public ChildDialog
{
    Q_OBJECT

public:
    ToolWindow();
    ~ToolWindow() override;

    // Shows the window centred on the screen, raised and active.
    void showCentred();
    // Brings a shown window to the front, from minimised too.
    void bringToFront();
};

// The one tool window of a kind: made on first use, brought to the front
// when asked for again, and let go once the user closes it (once control is
// back in the event loop, since it may be closing from one of its own
// handlers). Main thread only.
template <typename Window>
class OneToolWindow
{
public:
    OneToolWindow() = default;
    OneToolWindow(const OneToolWindow &) = delete;
    OneToolWindow &operator=(const OneToolWindow &) = delete;

    // The window while it is open; null otherwise.
    Window *get() const { return m_window.get(); }
    explicit operator bool() const { return bool(m_window); }
    Window *operator->() const { return m_window.get(); }

    // The open window, brought to the front; or a new one from make()
    // (a std::unique_ptr<Window>), shown centred.
    template <typename Make>
    Window &show(Make &&make)
    {
        if (m_window) {
            m_window->bringToFront();
            return *m_window;
        }
        m_window = make();
        Window *made = m_window.get();
        QObject::connect(made, &QDialog::finished, made, [this, made] {
            // Only this window's own end lets it go, never a later one's.
            if (m_window.get() == made)
                m_window.release()->deleteLater();
        });
        m_window->showCentred();
        return *m_window;
    }

    // Closes the window now, if one is open.
    void reset() { m_window.reset(); }

private:
    std::unique_ptr<Window> m_window;
};
