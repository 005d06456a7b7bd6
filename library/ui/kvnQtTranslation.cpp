#include "kvnQtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <map>
#include <memory>

namespace kvn {

namespace {

// The locale of each language file code; English needs no translation, and codes without a sure locale get none.
QLocale LocaleOf(const std::string& languageCode)
{
    static const std::map<std::string, const char*> locales = {
        {"ch", "de_CH"}, {"de", "de_DE"}, {"at", "de_AT"}, {"fr", "fr_FR"}, {"it", "it_IT"}, {"nl", "nl_NL"},
        {"es", "es_ES"}, {"mx", "es_MX"}, {"ru", "ru_RU"}, {"dk", "da_DK"}, {"pl", "pl_PL"}, {"pt", "pt_PT"},
        {"fi", "fi_FI"}, {"se", "sv_SE"}, {"no", "nb_NO"}, {"hu", "hu_HU"}, {"cz", "cs_CZ"}, {"si", "sl_SI"},
        {"hr", "hr_HR"}, {"tr", "tr_TR"}};
    auto found = locales.find(languageCode);
    return found == locales.end() ? QLocale::c() : QLocale(QString::fromLatin1(found->second));
}

std::unique_ptr<QTranslator>& Installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool UseQtTranslationFor(const std::string& languageCode)
{
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) QCoreApplication::removeTranslator(installed.get());
    installed.reset();
    QLocale locale = LocaleOf(languageCode);
    if (locale == QLocale::c()) return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

} // namespace kvn
