#include "shots/WindowShot.h"

#include <iostream>

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

bool shootWindow(QWidget &window, const QString &path)
{
    window.show();
    window.activateWindow();
    window.raise();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTimer wait;
        wait.setSingleShot(true);
        wait.start(25);
        while (wait.isActive())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 25);
    }
    const bool saved = window.grab().save(path);
    std::cout << (saved ? "wrote " : "cannot write ") << path.toStdString() << std::endl;
    window.hide();
    return saved;
}
