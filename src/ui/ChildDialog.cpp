#include "ui/ChildDialog.h"

#include <QAbstractButton>
#include <QKeyEvent>

#include "ui/UiText.h"
#include "ui/WindowFrame.h"

ChildDialog::ChildDialog(QWidget *owner)
    : QDialog(owner)
{
}

ChildDialog::~ChildDialog() = default;

void ChildDialog::setUpFrame(TextId name)
{
    setWindowTitle(uiText(name));
    m_frame = new WindowFrame(*this);
    if (auto *close = findChild<QAbstractButton *>(QStringLiteral("closebtn")))
        connect(close, &QAbstractButton::clicked, this, [this] { done(ResultClosed); });
}

int ChildDialog::run()
{
    WindowFrame::centre(*this, parentWidget());
    return exec();
}

void ChildDialog::reject()
{
    done(ResultCancelled);
}

void ChildDialog::keyPressEvent(QKeyEvent *event)
{
    if (m_ignoreEscape && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
