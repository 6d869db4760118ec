#include "languagechoice.h"

#include "catalogue.h"

#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

namespace talbrix {

namespace {

void tell(const std::string &message)
{
    std::fprintf(stderr, "talbrix: %s\n", message.c_str());
}

std::string shippedList()
{
    std::string list;
    for (const std::string &language : shippedLanguages())
        list += (list.empty() ? "" : ", ") + language;
    return list;
}

// A catalogue file a teacher is writing: used when it reads, its gaps told
// (they show in English).
bool useFile(const QString &path)
{
    const std::string name = path.toStdString();
    QFile file(path);
    // Far beyond any catalogue: a device or a wrong file is not read whole.
    constexpr qint64 largest = 4 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > largest) {
        tell("cannot read the texts '" + name + "': " + (file.isOpen() ? std::string("too large") : file.errorString().toStdString()));
        return false;
    }
    CatalogueReading reading = readCatalogue(file.read(largest).toStdString());
    if (!reading.catalogue) {
        tell("cannot use the texts '" + name + "': " + reading.error);
        return false;
    }
    if (const Catalogue *english = shippedCatalogue("en"))
        for (const std::string &problem : catalogueProblems(*english, *reading.catalogue))
            tell(name + ": " + problem);
    useTexts(Texts(std::move(*reading.catalogue)));
    return true;
}

} // namespace

QStringList useLanguageFrom(const QStringList &arguments, const QStringList &systemLanguages)
{
    QStringList rest;
    QString asked;
    const QString option = QStringLiteral("--language");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == option && i + 1 < arguments.size())
            asked = arguments.at(++i);
        else if (argument.startsWith(option + QLatin1Char('=')))
            asked = argument.mid(option.size() + 1);
        else if (argument == option)
            tell("--language needs a language, such as de, or a file of texts");
        else
            rest << argument;
    }
    if (asked.isEmpty())
        asked = qEnvironmentVariable("TALBRIX_LANGUAGE");
    if (asked.endsWith(QStringLiteral(".texts")) && useFile(asked))
        return rest;

    std::vector<std::string> preferred;
    if (!asked.isEmpty() && !asked.endsWith(QStringLiteral(".texts"))) {
        if (chooseLanguage({ asked.toStdString() }, shippedLanguages()).empty())
            tell("no texts in '" + asked.toStdString() + "' ship with Talbrix (" + shippedList()
                + "); the system's language is used");
        preferred.push_back(asked.toStdString());
    }
    for (const QString &language : systemLanguages)
        preferred.push_back(language.toStdString());
    useTexts(shippedTexts(chooseLanguage(preferred, shippedLanguages())));
    return rest;
}

} // namespace talbrix
