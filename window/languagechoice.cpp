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

QStringList useLanguageFrom(const QStringList &arguments, const QString &remembered, const QStringList &systemLanguages)
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

    // The menu remembers only shipped tags; a file of texts stands only in
    // the option or the variable, where the user wrote it.
    const std::vector<std::string> shipped = shippedLanguages();
    const struct {
        QString language;
        bool mayBeFile;
        bool told; // a choice the user typed is told when it cannot be used
    } choices[] = { { asked, true, true }, { remembered, false, false },
        { qEnvironmentVariable("TALBRIX_LANGUAGE"), true, true } };
    for (const auto &choice : choices) {
        if (choice.language.isEmpty())
            continue;
        if (choice.language.endsWith(QStringLiteral(".texts"))) {
            if (choice.mayBeFile && useFile(choice.language))
                return rest;
            continue;
        }
        const std::string language = chooseLanguage({ choice.language.toStdString() }, shipped);
        if (!language.empty()) {
            useTexts(shippedTexts(language));
            return rest;
        }
        if (choice.told)
            tell("no texts in '" + choice.language.toStdString() + "' ship with Talbrix (" + shippedList()
                + "); the next choice is used");
    }

    std::vector<std::string> preferred;
    for (const QString &language : systemLanguages)
        preferred.push_back(language.toStdString());
    useTexts(shippedTexts(chooseLanguage(preferred, shipped)));
    return rest;
}

} // namespace talbrix
