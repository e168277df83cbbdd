#include "ui/DeskResources.h"

// The resources live in a static library: nothing would pull their object
// file into the program unless something names it. (Outside any namespace,
// as Q_INIT_RESOURCE needs.)
static void loadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(calldesk);
        return true;
    }();
    (void)loaded;
}

QIcon deskIcon()
{
    loadResources();
    return QIcon(QStringLiteral(":/calldesk/icons/calldesk.png"));
}
