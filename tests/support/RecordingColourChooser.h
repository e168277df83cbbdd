#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "ui/ColourChooser.h"

// Stands in for the colour dialog while it lives: records the colour each
// request started from and answers with the queued answers in order
// (nullopt: the user cancelled), then with cancel.
class RecordingColourChooser : public IColourChooser
{
public:
    RecordingColourChooser();
    ~RecordingColourChooser() override;
    RecordingColourChooser(const RecordingColourChooser &) = delete;
    RecordingColourChooser &operator=(const RecordingColourChooser &) = delete;

    std::optional<std::uint32_t> chooseColour(QWidget *parent, std::uint32_t initial) override;
    void answerNext(std::optional<std::uint32_t> answer) { m_answers.push_back(answer); }

    std::vector<std::uint32_t> initialColours;

private:
    std::deque<std::optional<std::uint32_t>> m_answers;
    IColourChooser *m_replaced = nullptr;
};
