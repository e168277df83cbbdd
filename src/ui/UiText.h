#pragma once

#include <cstdint>
#include <initializer_list>

#include <QString>

#include "base/TextId.h"

class QWidget;

// The texts windows show, by name, in the language chosen at start-up
// (Lcid::Chinese or Lcid::English). Every window sets its texts from
// here when it opens, so one layout serves both languages; the texts a
// layout carries itself follow the language too (LayoutTexts.h). Main
// thread only.
void setUiLanguage(std::uint32_t lcid);
std::uint32_t uiLanguage();
QString uiText(TextId id);
// A text of the table that takes values: each "%s" or "%d" gives way to the
// next argument, in order ("%%" stays a "%").
QString uiText(TextId id, std::initializer_list<QString> arguments);

// One control of a layout, found by its name, and the text it shows.
struct ControlText
{
    const char *control;
    TextId text;
};

// Sets each named control's text (buttons, labels, group boxes, line edits'
// placeholders). A name the window lacks is a fault of its layout: it is
// reported on stderr and skipped, so the window still opens.
void setControlTexts(QWidget &window, std::initializer_list<ControlText> texts);
