// SPDX-License-Identifier: MIT
#include "cardstackend.h"

#include "cardstack.h"
#include "output.h"

namespace CardStackEnd {

void settle(int status)
{
    if (!CardStack::allLetGo())
        Output::leave(status);
}

} // namespace CardStackEnd
