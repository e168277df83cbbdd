#include "ui/WindowFrame.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include "ui/Colours.h"

namespace
{
// System buttons that their form leaves bare get the style's title-bar glyphs.
void giveStandardIcon(QAbstractButton *button, QStyle::StandardPixmap glyph)
{
    if (button && button->icon().isNull() && button->text().isEmpty())
        button->setIcon(button->style()->standardIcon(glyph, nullptr, button));
}
}

WindowFrame::Colours WindowFrame::dialogColours()
{
    return {qColour(0xFF1883D7), qColour(0xFFAAAAAA), qColour(0xFF000000), qColour(0xFF96A0AB), qColour(0xFFEEF3F8)};
}

WindowFrame::WindowFrame(QWidget &window, Colours colours)
    : QObject(&window)
    , m_window {window}
    , m_colours {colours}
    , m_title {window.findChild<QLabel *>(QStringLiteral("title"))}
    , m_minimise {window.findChild<QAbstractButton *>(QStringLiteral("minbtn"))}
    , m_maximise {window.findChild<QAbstractButton *>(QStringLiteral("maxbtn"))}
    , m_restore {window.findChild<QAbstractButton *>(QStringLiteral("restorebtn"))}
{
    m_window.setWindowFlag(Qt::FramelessWindowHint);
    m_window.setMouseTracking(true);
    if (QLayout *layout = m_window.layout()) {
        const int border = sizingBorder();
        layout->setContentsMargins(border, border, border, border);
    }
    if (m_minimise)
        connect(m_minimise, &QAbstractButton::clicked, &m_window, &QWidget::showMinimized);
    if (m_maximise)
        connect(m_maximise, &QAbstractButton::clicked, &m_window, &QWidget::showMaximized);
    if (m_restore)
        connect(m_restore, &QAbstractButton::clicked, &m_window, &QWidget::showNormal);
    giveStandardIcon(m_minimise, QStyle::SP_TitleBarMinButton);
    giveStandardIcon(m_maximise, QStyle::SP_TitleBarMaxButton);
    giveStandardIcon(m_restore, QStyle::SP_TitleBarNormalButton);
    giveStandardIcon(window.findChild<QAbstractButton *>(QStringLiteral("closebtn")), QStyle::SP_TitleBarCloseButton);
    showSystemButtons();
    m_window.installEventFilter(this);
    refresh();
}

void WindowFrame::leaveMinimiseToWindow()
{
    if (m_minimise)
        disconnect(m_minimise, &QAbstractButton::clicked, &m_window, &QWidget::showMinimized);
}

QColor WindowFrame::borderColour() const
{
    return m_active ? m_colours.activeBorder : m_colours.inactiveBorder;
}

QColor WindowFrame::titleColour() const
{
    return m_active ? m_colours.activeTitle : m_colours.inactiveTitle;
}

int WindowFrame::captionHeight() const
{
    const QVariant height = m_window.property("captionHeight");
    return height.isValid() ? height.toInt() : DefaultCaptionHeight;
}

int WindowFrame::sizingBorder() const
{
    const QVariant border = m_window.property("sizingBorder");
    return border.isValid() ? border.toInt() : DefaultSizingBorder;
}

void WindowFrame::refresh()
{
    m_active = m_window.isActiveWindow();
    if (m_title) {
        QPalette palette = m_title->palette();
        palette.setColor(QPalette::WindowText, titleColour());
        m_title->setPalette(palette);
    }
    m_window.update();
}

void WindowFrame::centre(QWidget &window, const QWidget *owner)
{
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        window.move(area.center() - window.rect().center());
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        // The window itself paints nothing; its children lie inside the
        // sizing border, so the outermost pixel stays the frame's.
        paintBorder();
        break;
    case QEvent::ActivationChange:
        refresh();
        break;
    case QEvent::WindowStateChange:
        showSystemButtons();
        break;
    case QEvent::MouseButtonPress:
        return mousePressed(static_cast<const QMouseEvent &>(*event));
    case QEvent::MouseButtonDblClick: {
        const auto &click = static_cast<const QMouseEvent &>(*event);
        if (click.button() == Qt::LeftButton && click.position().y() < captionHeight() && isResizable()) {
            toggleMaximised();
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        mouseMoved(static_cast<const QMouseEvent &>(*event));
        break;
    case QEvent::Leave:
        m_window.unsetCursor();
        break;
    default:
        break;
    }
    return false;
}

void WindowFrame::paintBorder()
{
    QPainter painter(&m_window);
    painter.fillRect(QRect(0, 0, m_window.width(), captionHeight()), m_colours.caption);
    painter.setPen(borderColour());
    painter.drawRect(m_window.rect().adjusted(0, 0, -1, -1));
}

bool WindowFrame::mousePressed(const QMouseEvent &event)
{
    QWindow *handle = m_window.windowHandle();
    if (event.button() != Qt::LeftButton || !handle)
        return false;
    const QPoint position = event.position().toPoint();
    if (const Qt::Edges edges = edgesAt(position))
        return handle->startSystemResize(edges);
    if (position.y() < captionHeight() && !m_window.isMaximized())
        return handle->startSystemMove();
    return false;
}

void WindowFrame::mouseMoved(const QMouseEvent &event)
{
    if (event.buttons() != Qt::NoButton)
        return;
    const Qt::Edges edges = edgesAt(event.position().toPoint());
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
        m_window.setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
        m_window.setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        m_window.setCursor(Qt::SizeHorCursor);
    else if (edges)
        m_window.setCursor(Qt::SizeVerCursor);
    else
        m_window.unsetCursor();
}

Qt::Edges WindowFrame::edgesAt(const QPoint &position) const
{
    if (!isResizable() || m_window.isMaximized())
        return {};
    const int border = sizingBorder();
    Qt::Edges edges;
    if (position.x() < border)
        edges |= Qt::LeftEdge;
    if (position.x() >= m_window.width() - border)
        edges |= Qt::RightEdge;
    if (position.y() < border)
        edges |= Qt::TopEdge;
    if (position.y() >= m_window.height() - border)
        edges |= Qt::BottomEdge;
    return edges;
}

bool WindowFrame::isResizable() const
{
    return m_window.minimumSize() != m_window.maximumSize();
}

void WindowFrame::toggleMaximised()
{
    if (m_window.isMaximized())
        m_window.showNormal();
    else
        m_window.showMaximized();
}

// A window of fixed size keeps its buttons as its form has them.
void WindowFrame::showSystemButtons()
{
    if (!isResizable())
        return;
    const bool maximised = m_window.isMaximized();
    if (m_maximise)
        m_maximise->setVisible(!maximised);
    if (m_restore)
        m_restore->setVisible(maximised);
}
