#include "ui/ToolWindow.h"

#include "ui/WindowFrame.h"

ToolWindow::ToolWindow()
    : ChildDialog {nullptr}
{
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
}

ToolWindow::~ToolWindow() = default;

void ToolWindow::showCentred()
{
    WindowFrame::centre(*this, nullptr);
    show();
    raise();
    activateWindow();
}

void ToolWindow::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}
