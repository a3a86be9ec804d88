#pragma once
// The interface language: English at every start, Chinese while the CH radio is marked.
// Installing or removing the translator makes Qt send every window a LanguageChange event;
// messages look the language up at the moment they are shown.

#include <QLocale>
#include <QString>

class Language {
public:
    static bool chinese();
    // Installs (true) or removes (false) the Chinese translations. Needs a QCoreApplication.
    static void setChinese(bool chinese);
    // The locale of the chosen language, for dates and times shown in it.
    static QLocale locale();
};
