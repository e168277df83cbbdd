#include "ui/LayoutTexts.h"

#include <string_view>

#include "base/Language.h"
#include "ui/UiText.h"

extern const char CalldeskLayoutTextsTsv[];

namespace
{
QString keyOf(const char *window, const char *english)
{
    return QString::fromUtf8(window) + QChar(0x1F) + QString::fromUtf8(english);
}
}

LayoutTranslator &LayoutTranslator::builtIn()
{
    static LayoutTranslator translator;
    return translator;
}

LayoutTranslator::LayoutTranslator()
{
    std::string_view tsv = CalldeskLayoutTextsTsv;
    bool header = true;
    while (!tsv.empty()) {
        const auto end = tsv.find('\n');
        std::string_view line = tsv.substr(0, end);
        tsv = end == std::string_view::npos ? std::string_view() : tsv.substr(end + 1);
        if (header) {
            header = false;
            continue;
        }
        const QStringList fields = QString::fromUtf8(line.data(), qsizetype(line.size())).trimmed().split(u'\t');
        if (fields.size() == 4)
            m_chinese.insert(fields[0] + QChar(0x1F) + fields[2], fields[3]);
    }
}

QString LayoutTranslator::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!context || !sourceText)
        return {};
    return m_chinese.value(keyOf(context, sourceText));
}

QString layoutText(const char *window, const char *english)
{
    if (uiLanguage() == Lcid::Chinese) {
        const QString chinese = LayoutTranslator::builtIn().translate(window, english);
        if (!chinese.isEmpty())
            return chinese;
    }
    return QString::fromUtf8(english);
}
