#include "ui/FileChooser.h"

#include "ui/FileDialogChooser.h"

namespace
{
IFileChooser *g_chooser = nullptr;
}

IFileChooser &fileChooser()
{
    static FileDialogChooser dialogs;
    return g_chooser ? *g_chooser : dialogs;
}

IFileChooser *setFileChooser(IFileChooser *chooser)
{
    IFileChooser *previous = g_chooser;
    g_chooser = chooser;
    return previous;
}
