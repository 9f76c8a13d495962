// SPDX-License-Identifier: MIT
// The program with the card reader's waits shortened, in-process: 2 s for a card, 3 s to read
// one (its sharing retries end half a second before), and a fifth of a second for an error popup.
#include "program.h"

int main(int argc, char *argv[])
{
    Program::setCardLimits(2000, 3000, 200);
    return Program::run(argc, argv);
}
