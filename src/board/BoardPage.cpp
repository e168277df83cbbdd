#include "board/BoardPage.h"

#include <cstddef>
#include <utility>

#include "base/Language.h"
#include "base/StringTable.h"
#include "board/BoardRegistry.h"

extern const char CalldeskBoardHtml[];
extern const std::size_t CalldeskBoardHtmlSize;
extern const char CalldeskMessageHtml[];
extern const std::size_t CalldeskMessageHtmlSize;
extern const char CalldeskPairHtml[];
extern const std::size_t CalldeskPairHtmlSize;

namespace
{
void replaceAll(std::string &text, std::string_view from, const std::string &to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string htmlEscaped(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A JSON string that may stand inside a script element: "<" never appears.
std::string scriptJsonString(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '<')
            out += "\\u003c";
        else if (static_cast<unsigned char>(c) < 0x20)
            out += ' ';
        else
            out += c;
    }
    return out + "\"";
}

std::string languageTag(std::uint32_t lcid)
{
    return lcid == Lcid::Chinese ? "zh-CN" : "en";
}

std::string page(const char *source, std::size_t size, std::uint32_t lcid)
{
    std::string text(source, size);
    replaceAll(text, "{{LANG}}", languageTag(lcid));
    replaceAll(text, "{{TITLE}}", htmlEscaped(builtInText(TextId::BoardOpenCalls, lcid)));
    return text;
}
}

std::uint32_t pageLcid(std::string_view acceptLanguage, std::uint32_t deskLcid)
{
    // Tags come in the browser's order of preference; weights are not
    // looked at, browsers list the preferred first.
    std::size_t at = 0;
    while (at < acceptLanguage.size()) {
        while (at < acceptLanguage.size() && (acceptLanguage[at] == ' ' || acceptLanguage[at] == ','))
            ++at;
        std::size_t end = acceptLanguage.find(',', at);
        if (end == std::string_view::npos)
            end = acceptLanguage.size();
        const std::string_view tag = acceptLanguage.substr(at, end - at);
        if (tag.size() >= 2) {
            const char a = static_cast<char>(tag[0] | 0x20);
            const char b = static_cast<char>(tag[1] | 0x20);
            const bool whole = tag.size() == 2 || tag[2] == '-' || tag[2] == ';' || tag[2] == '_';
            if (whole && a == 'z' && b == 'h')
                return Lcid::Chinese;
            if (whole && a == 'e' && b == 'n')
                return Lcid::English;
        }
        at = end;
    }
    return deskLcid;
}

std::string boardPage(std::uint32_t lcid)
{
    const std::pair<const char *, TextId> texts[] = {
        {"title", TextId::BoardOpenCalls},
        {"waited", TextId::BoardWaited},
        {"allZones", TextId::BoardAllZones},
        {"enableSound", TextId::BoardEnableSound},
        {"noCalls", TextId::BoardNoCalls},
        {"unreachable", TextId::BoardDeskUnreachable},
        {"zone", TextId::CallZone},
        {"service", TextId::ServiceType},
        {"attendant", TextId::InchargePerson},
        {"time", TextId::CallTime},
        {"level", TextId::ServiceState},
    };
    std::string json = "{";
    for (const auto &[name, id] : texts) {
        if (json.size() > 1)
            json += ',';
        json += std::string("\"") + name + "\":" + scriptJsonString(builtInText(id, lcid));
    }
    // The levels' texts by ServiceLevel, in the page's language rather than
    // the desk's.
    json += ",\"levels\":[";
    const TextId levels[] = {TextId::Unhandled, TextId::FirstWarning, TextId::SecondWarning, TextId::FinalWarning};
    for (const TextId id : levels)
        json += scriptJsonString(builtInText(id, lcid)) + (id == TextId::FinalWarning ? "" : ",");
    json += "]}";
    std::string text = page(CalldeskBoardHtml, CalldeskBoardHtmlSize, lcid);
    replaceAll(text, "{{TEXTS}}", json);
    return text;
}

std::string messagePage(std::uint32_t lcid, TextId message)
{
    std::string text = page(CalldeskMessageHtml, CalldeskMessageHtmlSize, lcid);
    replaceAll(text, "{{MESSAGE}}", htmlEscaped(builtInText(message, lcid)));
    return text;
}

std::string pairingPage(std::uint32_t lcid, const std::string &code, const std::string &name)
{
    std::string text(CalldeskPairHtml, CalldeskPairHtmlSize);
    replaceAll(text, "{{LANG}}", languageTag(lcid));
    replaceAll(text, "{{TITLE}}", htmlEscaped(builtInText(TextId::LiveBoard, lcid)));
    replaceAll(text, "{{NAMELABEL}}", htmlEscaped(builtInText(TextId::BoardDeviceNameLabel, lcid)));
    replaceAll(text, "{{PAIR}}", htmlEscaped(builtInText(TextId::BoardPairButton, lcid)));
    replaceAll(text, "{{MAXLENGTH}}", std::to_string(BoardRegistry::MaxNameLength));
    // The name last: it is the one text a person chose.
    replaceAll(text, "{{CODE}}", htmlEscaped(code));
    replaceAll(text, "{{NAME}}", htmlEscaped(name));
    return text;
}
