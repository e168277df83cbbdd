#pragma once

#include <QIcon>

// The application icon, for windows and the tray.
QIcon deskIcon();
