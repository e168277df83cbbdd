#pragma once

#include <QHash>
#include <QString>
#include <QTranslator>

// The texts a layout carries, in both languages: resources/layout-texts.tsv
// (window, control, English, Chinese). A form carries its English texts,
// marked for translation; while the language is Chinese this translator is
// installed (setUiLanguage does it), so the form's generated code finds the
// Chinese text by the window's class name and the English text. Texts it
// does not know stay as the form has them. Main thread only.
class LayoutTranslator : public QTranslator
{
    Q_OBJECT

public:
    static LayoutTranslator &builtIn();

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    LayoutTranslator();

    // "window\x1fEnglish" -> Chinese.
    QHash<QString, QString> m_chinese;
};

// A text of the window's layout table in the current language, for the
// texts of a layout that code shows (a file dialog's filter).
QString layoutText(const char *window, const char *english);
