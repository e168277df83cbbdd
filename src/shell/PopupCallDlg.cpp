#include "shell/PopupCallDlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QWindow>

#include "calls/PopupEntries.h"
#include "ui/DeskResources.h"
#include "ui/UiText.h"
#include "ui/WindowFrame.h"
#include "shell/PopupItem.h"
#include "ui_popupCall.h"

CPopupCallDlg::CPopupCallDlg(QWidget *owner)
    : m_ui {std::make_unique<Ui::CPopupCallDlg>()}
    , m_owner {owner}
{
    m_ui->setupUi(this);
    m_entries = {m_ui->call1, m_ui->call2, m_ui->call3, m_ui->call4, m_ui->call5};
    for (int i = 0; i < EntryCount; ++i)
        m_entries[std::size_t(i)]->setNumber(i + 1);
    setWindowTitle(uiText(TextId::PopupCall));
    setWindowIcon(deskIcon());
    m_ui->title->setText(uiText(TextId::PopupCall));
    m_frame = new WindowFrame(*this);
    connect(m_ui->closebtn, &QAbstractButton::clicked, this, &QWidget::close);
}

CPopupCallDlg::~CPopupCallDlg() = default;

void CPopupCallDlg::showEntry(int entry, const PopupEntryView &view)
{
    if (entry >= 0 && entry < EntryCount)
        m_entries[std::size_t(entry)]->show(view);
}

CPopupItem &CPopupCallDlg::entry(int entry) const
{
    return *m_entries.at(std::size_t(entry));
}

// An owned pop-up is a transient window of the main window: the window
// manager keeps it above its owner and with it. It is not the owner's child
// object, so the main window's pointer alone decides when it goes.
void CPopupCallDlg::open()
{
    if (m_owner) {
        winId();
        m_owner->winId();
        windowHandle()->setTransientParent(m_owner->windowHandle());
    }
    WindowFrame::centre(*this, m_owner);
    show();
    raiseToFront();
}

void CPopupCallDlg::raiseToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CPopupCallDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        m_result = ResultCancelled;
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CPopupCallDlg::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}
