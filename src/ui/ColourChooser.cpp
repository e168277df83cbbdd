#include "ui/ColourChooser.h"

#include <QColorDialog>

#include "ui/Colours.h"

namespace
{
IColourChooser *g_chooser = nullptr;
constexpr std::uint32_t Black = 0xFF000000;
}

IColourChooser &colourChooser()
{
    static ColourDialogChooser dialog;
    return g_chooser ? *g_chooser : dialog;
}

IColourChooser *setColourChooser(IColourChooser *chooser)
{
    IColourChooser *previous = g_chooser;
    g_chooser = chooser;
    return previous;
}

ColourDialogChooser::ColourDialogChooser()
{
    m_custom.fill(Black);
}

// Qt keeps one table of custom colours for all its dialogs and may store it
// in the user's settings; the desk's own table goes in before each dialog
// and comes back out after it.
std::optional<std::uint32_t> ColourDialogChooser::chooseColour(QWidget *parent, std::uint32_t initial)
{
    for (int i = 0; i < int(m_custom.size()); ++i)
        QColorDialog::setCustomColor(i, qColour(m_custom[std::size_t(i)]));
    QColorDialog dialog(qColour(initial | Black), parent);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < int(m_custom.size()); ++i)
        m_custom[std::size_t(i)] = argbOf(QColorDialog::customColor(i));
    if (!chosen)
        return std::nullopt;
    return argbOf(dialog.selectedColor()) | Black;
}
