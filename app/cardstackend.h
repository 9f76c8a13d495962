// SPDX-License-Identifier: MIT
#pragma once

// The end of a run that may have used the card stack in threads of its own. The end of the
// process tears the stack's library down, under any call still in it: a wait that was cancelled
// (a signal, Escape, stdin closed) may be just returning from one, and a card that never answered
// holds its thread in one for good.
namespace CardStackEnd {

// Returns once every card stack is let go, after a moment's wait at most; if one is still in use
// then, ends the process at once with status, skipping that teardown.
void settle(int status);

} // namespace CardStackEnd
