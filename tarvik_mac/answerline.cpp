#include "answerline.h"

#include <cstdio>

namespace AnswerLine {

bool write(const QByteArray &line)
{
    const size_t size = size_t(line.size());
    const bool written = std::fwrite(line.constData(), 1, size, stdout) == size
                         && std::fputc('\n', stdout) != EOF;
    return std::fflush(stdout) == 0 && written;
}

} // namespace AnswerLine
