#include "gui/panel/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <atomic>

namespace {

std::atomic<bool> chineseFlag{false};

struct Translators {
    QTranslator* program = nullptr;
    QTranslator* toolkit = nullptr;  // Qt's own texts: Yes, No, Cancel, OK
};

// Loaded once, owned by the application object.
Translators& translators() {
    static Translators t = [] {
        Translators made;
        made.program = new QTranslator(QCoreApplication::instance());
        if (!made.program->load(QStringLiteral(":/i18n/tvq418_zh_CN.qm")))
            qWarning("Chinese translations are missing from the resources");
        made.toolkit = new QTranslator(QCoreApplication::instance());
        if (!made.toolkit->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                                QStringLiteral("_"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete made.toolkit;
            made.toolkit = nullptr;
        }
        return made;
    }();
    return t;
}

}  // namespace

bool Language::chinese() {
    return chineseFlag.load();
}

void Language::setChinese(bool chinese) {
    if (chineseFlag.exchange(chinese) == chinese) return;
    Translators& t = translators();
    if (chinese) {
        if (t.toolkit) QCoreApplication::installTranslator(t.toolkit);
        QCoreApplication::installTranslator(t.program);
    } else {
        QCoreApplication::removeTranslator(t.program);
        if (t.toolkit) QCoreApplication::removeTranslator(t.toolkit);
    }
}

QLocale Language::locale() {
    return chinese() ? QLocale(QLocale::Chinese, QLocale::China)
                     : QLocale(QLocale::English, QLocale::UnitedStates);
}
