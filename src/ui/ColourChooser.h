#pragma once

#include <array>
#include <cstdint>
#include <optional>

class QWidget;

// Lets the user pick a colour: the colour dialog in the program, a recording
// double in tests. Colours are the settings' 0xAARRGGBB; a chosen colour is
// always opaque. nullopt when the user cancels.
class IColourChooser
{
public:
    virtual ~IColourChooser() = default;
    virtual std::optional<std::uint32_t> chooseColour(QWidget *parent, std::uint32_t initial) = 0;
};

// The chooser of the process: the colour dialog unless another one is set.
IColourChooser &colourChooser();
// Replaces the chooser (nullptr restores the dialog); returns the one it
// replaced.
IColourChooser *setColourChooser(IColourChooser *chooser);

// The program's chooser: Qt's colour dialog, whose 16 custom colours this
// chooser keeps for the run of the program (all black at first, never
// stored), so the colours a user mixed for one button are there for the
// next. Main thread only.
class ColourDialogChooser : public IColourChooser
{
public:
    ColourDialogChooser();
    std::optional<std::uint32_t> chooseColour(QWidget *parent, std::uint32_t initial) override;

private:
    std::array<std::uint32_t, 16> m_custom;
};
