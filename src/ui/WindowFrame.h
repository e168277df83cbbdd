#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QLabel;
class QMouseEvent;
class QWidget;

// The frame every window of the desk draws itself, in place of the
// platform's: the caption band at the top (the form's "captionHeight"
// property) moves the window and a double-click on it maximises or restores
// a resizable one, and is painted in the caption colour; the sizing border (the form's "sizingBorder" property)
// resizes it; the outermost pixel and the `title` label take the colours of
// the window's activation; `minbtn`, `maxbtn` and `restorebtn` minimise,
// maximise and restore. Sizes and minimum sizes come from the form.
// Main thread only; the frame is a child of its window.
class WindowFrame : public QObject
{
    Q_OBJECT

public:
    struct Colours
    {
        QColor activeBorder;
        QColor inactiveBorder;
        QColor activeTitle;
        QColor inactiveTitle;
        QColor caption;
    };
    static Colours dialogColours();

    static constexpr int DefaultCaptionHeight = 30;
    static constexpr int DefaultSizingBorder = 4;

    explicit WindowFrame(QWidget &window, Colours colours = dialogColours());

    // The window handles `minbtn` itself (the main window may hide to the tray).
    void leaveMinimiseToWindow();

    QColor borderColour() const;
    QColor titleColour() const;
    int captionHeight() const;
    int sizingBorder() const;
    // Redraws the frame in the colours of the window's current activation.
    void refresh();

    // Centres the window on its owner, or on the screen without one.
    static void centre(QWidget &window, const QWidget *owner);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintBorder();
    bool mousePressed(const QMouseEvent &event);
    void mouseMoved(const QMouseEvent &event);
    Qt::Edges edgesAt(const QPoint &position) const;
    bool isResizable() const;
    void toggleMaximised();
    void showSystemButtons();

    QWidget &m_window;
    Colours m_colours;
    QPointer<QLabel> m_title;
    QPointer<QAbstractButton> m_minimise;
    QPointer<QAbstractButton> m_maximise;
    QPointer<QAbstractButton> m_restore;
    bool m_active = false;
};
