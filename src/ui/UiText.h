#pragma once

#include <cstdint>
#include <initializer_list>

#include <QString>

class QWidget;

// The texts windows show, by string-table id, in the language chosen at
// start-up (2052 Chinese, 1033 English). Every window sets its texts from
// here when it opens, so one layout serves both languages. Main thread only.
void setUiLanguage(std::uint32_t lcid);
std::uint32_t uiLanguage();
QString uiText(int id);

// One control of a layout, found by its name, and the text it shows.
struct ControlText
{
    const char *control;
    int textId;
};

// Sets each named control's text (buttons, labels, group boxes, line edits'
// placeholders). A name the window lacks is a fault of its layout: it is
// reported on stderr and skipped, so the window still opens.
void setControlTexts(QWidget &window, std::initializer_list<ControlText> texts);
