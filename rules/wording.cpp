// SPDX-License-Identifier: MIT
#include "wording.h"

#include <QTranslator>

namespace Wording {

namespace {

const QTranslator *current = nullptr;

} // namespace

void useCatalogue(const QTranslator *catalogue)
{
    current = catalogue;
}

QString translate(const char *context, const char *source)
{
    if (current) {
        QString text = current->translate(context, source);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(source);
}

} // namespace Wording
