#pragma once

#include <cstdint>
#include <initializer_list>

#include <QString>

#include "base/TextId.h"

class QWidget;

// The texts windows show, by name, in the language chosen at start-up
// (Lcid::Chinese or Lcid::English). Every window sets its texts from
// here when it opens, so one layout serves both languages. Main thread only.
void setUiLanguage(std::uint32_t lcid);
std::uint32_t uiLanguage();
QString uiText(TextId id);
// The text with its "%s" filled in turn with the values (texts of the table
// keep the printf form the string table has always used).
QString uiText(TextId id, std::initializer_list<QString> values);

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
