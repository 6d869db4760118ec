#pragma once

#include <QStringList>

namespace talbrix {

// The language of the texts around the form, chosen at start, before any is
// shown: `--language TAG` (or `--language FILE.texts`, a teacher's own
// catalogue to try), else the language last chosen in the window's menu
// (`remembered`, a tag), else the TALBRIX_LANGUAGE environment variable,
// else the system's languages in their order; English when none ships.
// A choice that cannot be used is told on standard error and the next one
// is taken; a catalogue tried from a file says what it lacks there. Returns
// the arguments without the option.
QStringList useLanguageFrom(
    const QStringList &arguments, const QString &remembered, const QStringList &systemLanguages);

} // namespace talbrix
