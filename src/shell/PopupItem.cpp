#include "shell/PopupItem.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "calls/PopupEntries.h"
#include "ui/Colours.h"

namespace
{
constexpr int Badge = 33;
constexpr int SmallestPointSize = 10;

QLabel *makeText(const char *name, QWidget *parent, bool wraps)
{
    auto *label = new QLabel(QString::fromLatin1(PopupEntries::Placeholder), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(wraps);
    label->setSizePolicy(QSizePolicy::Ignored, wraps ? QSizePolicy::Ignored : QSizePolicy::Preferred);
    return label;
}

bool fits(const QFont &font, const QLabel &label)
{
    const QFontMetrics metrics(font);
    const QRect room = label.contentsRect();
    if (!label.wordWrap())
        return metrics.horizontalAdvance(label.text()) <= room.width();
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 100000),
                                              Qt::AlignCenter | Qt::TextWordWrap, label.text());
    return needed.height() <= room.height() && needed.width() <= room.width();
}

// Starts from the entry's own font, so a text that became shorter grows again.
void fitText(QLabel &label, const QFont &base)
{
    QFont font = base;
    while (font.pointSize() > SmallestPointSize && !fits(font, label))
        font.setPointSize(font.pointSize() - 1);
    label.setFont(font);
}
}

CPopupItem::CPopupItem(QWidget *parent)
    : QFrame(parent)
    , m_top {makeText("top", this, false)}
    , m_middle {makeText("middle", this, true)}
    , m_bottom {makeText("bottom", this, false)}
{
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(Badge, 4, 8, 4);
    layout->addWidget(m_top);
    layout->addWidget(m_middle, 1);
    layout->addWidget(m_bottom);
}

void CPopupItem::show(const PopupEntryView &view)
{
    m_top->setText(QString::fromStdString(view.top));
    m_middle->setText(QString::fromStdString(view.middle));
    m_bottom->setText(QString::fromStdString(view.bottom));
    if (view.colours) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, qColour(view.colours->background));
        colours.setColor(QPalette::WindowText, qColour(view.colours->text));
        setPalette(colours);
        for (QLabel *label : {m_top, m_middle, m_bottom})
            label->setPalette(colours);
    }
    fitTexts();
}

void CPopupItem::setNumber(int number)
{
    m_number = number;
    update();
}

QString CPopupItem::topText() const
{
    return m_top->text();
}

QString CPopupItem::middleText() const
{
    return m_middle->text();
}

QString CPopupItem::bottomText() const
{
    return m_bottom->text();
}

void CPopupItem::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_number <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect corner(3, 3, Badge - 6, Badge - 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::WindowText));
    painter.drawEllipse(corner);
    QFont font = this->font();
    font.setPointSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::Window));
    painter.drawText(corner, Qt::AlignCenter, QString::number(m_number));
}

void CPopupItem::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitTexts();
}

void CPopupItem::fitTexts()
{
    for (QLabel *label : {m_top, m_middle, m_bottom})
        fitText(*label, font());
}
