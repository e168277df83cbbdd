#pragma once

#include <QIcon>

// The application icon, for windows and the tray.
QIcon deskIcon();
// The same with a red mark, while the link to the receiver has failed.
QIcon deskAlarmIcon();
