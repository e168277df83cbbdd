#pragma once

#include <QDialog>

#include "base/TextId.h"

class WindowFrame;

// The base of the desk's modal child windows: owned by the window that opens
// them, drawn in the desk's frame, named from the string table, centred on
// the owner when run, and ending with one of three results. `closebtn` ends
// with ResultClosed and Escape with ResultCancelled; a subclass ends with
// ResultOk (done(ResultOk)) when its OK action succeeded.
// Main thread only.
class ChildDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ResultOk = 255;
    static constexpr int ResultClosed = 1;
    static constexpr int ResultCancelled = 2;

    explicit ChildDialog(QWidget *owner);
    ~ChildDialog() override;

    // Runs the window modally, centred on its owner; returns its result.
    int run();

    WindowFrame *frame() const { return m_frame; }

public slots:
    void reject() override;

protected:
    // Call once the form is set up: the frame, the window's name and
    // `closebtn`.
    void setUpFrame(TextId name);
    // For windows where Escape is taken without any action.
    void ignoreEscape() { m_ignoreEscape = true; }
    void keyPressEvent(QKeyEvent *event) override;

private:
    WindowFrame *m_frame = nullptr;
    bool m_ignoreEscape = false;
};
