// SPDX-License-Identifier: MIT
#include "translation.h"

#include "language.h"
#include "wording.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

// Never deleted: texts are looked up until the process ends, from the watchdog's thread too.
QTranslator *loaded = nullptr;

void installLoaded()
{
    if (loaded)
        QCoreApplication::installTranslator(loaded);
}

} // namespace

// Runs in the constructor of every application object, which has no other hook for it.
Q_COREAPP_STARTUP_FUNCTION(installLoaded)

namespace Translation {

void load()
{
    if (loaded)
        return;
    const QString language = Language::choose(QLocale::system().uiLanguages());
    // German is the source text itself; it needs no translator.
    if (language == QLatin1String("de"))
        return;
    auto *translator = new QTranslator;
    if (!translator->load(QStringLiteral(":/translations/tarvik_%1.qm").arg(language))) {
        delete translator;
        return;
    }
    loaded = translator;
    Wording::useCatalogue(loaded);
    if (QCoreApplication::instance())
        installLoaded();
}

} // namespace Translation
