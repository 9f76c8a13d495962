// SPDX-License-Identifier: MIT
// Any command-line argument through the card number clean-up and checks: nothing crashes, an
// accepted number is always 20 ASCII digits beginning with 80756, and every rejection has its
// message.

#include "cardnumber.h"
#include "fuzztarget.h"
#include "reporttexts.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString argument = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QString number = CardNumber::cleanUp(argument);
    if (number.size() > 20)
        std::abort();

    const CardNumber::Verdict verdict = CardNumber::check(number);
    if (verdict == CardNumber::Verdict::Accepted) {
        if (number.size() != 20 || !number.startsWith(QLatin1String("80756")))
            std::abort();
        for (const QChar c : number) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                std::abort();
        }
        if (!ReportTexts::rejection(verdict).lines.isEmpty())
            std::abort();
    } else if (ReportTexts::rejection(verdict).lines.isEmpty()) {
        std::abort();
    }
    return 0;
}
