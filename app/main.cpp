// SPDX-License-Identifier: MIT
#include "program.h"

int main(int argc, char *argv[])
{
    return Program::run(argc, argv);
}
