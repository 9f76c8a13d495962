// SPDX-License-Identifier: MIT
#include "replytext.h"

#include <QTextCodec>

#include <cstring>

namespace {

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of name=value or name="value" starting at from, or empty when the text there does
// not have that form.
QByteArray valueAfter(const QByteArray &text, int from)
{
    int i = from;
    while (i < text.size() && isXmlSpace(text.at(i)))
        ++i;
    if (i >= text.size() || text.at(i) != '=')
        return {};
    ++i;
    while (i < text.size() && isXmlSpace(text.at(i)))
        ++i;
    if (i >= text.size())
        return {};
    const char quote = text.at(i);
    if (quote == '"' || quote == '\'') {
        const int end = text.indexOf(quote, i + 1);
        return end < 0 ? QByteArray() : text.mid(i + 1, end - i - 1);
    }
    int end = i;
    while (end < text.size() && !isXmlSpace(text.at(end)) && text.at(end) != ';')
        ++end;
    return text.mid(i, end - i);
}

// The encoding named by an XML declaration at the start of the body, such as
// <?xml version="1.0" encoding="ISO-8859-1"?>.
QByteArray declaredEncoding(const QByteArray &body)
{
    int start = 0;
    if (body.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < body.size() && isXmlSpace(body.at(start)))
        ++start;
    // A declaration is short; looking further would only cost time on a large reply.
    const QByteArray head = body.mid(start, 512);
    if (!head.startsWith("<?xml"))
        return {};
    const int end = head.indexOf("?>");
    if (end < 0)
        return {};
    const QByteArray declaration = head.left(end);
    const int name = declaration.indexOf("encoding");
    if (name < 0)
        return {};
    return valueAfter(declaration, name + 8);
}

// The charset parameter of a Content-Type header such as text/xml; charset=ISO-8859-1.
QByteArray contentTypeCharset(const QByteArray &contentType)
{
    const int name = contentType.toLower().indexOf("charset");
    if (name < 0)
        return {};
    return valueAfter(contentType, name + 7);
}

// Only a codec that reads printable ASCII as itself may stand in for UTF-8: the markup and the
// fields the searches look for are ASCII. A UTF-16 or UTF-32 label on an 8-bit body would turn
// every pair of bytes into one unrelated character and lose the record.
QTextCodec *asciiCompatibleCodec(const QByteArray &name)
{
    QTextCodec *codec = name.isEmpty() ? nullptr : QTextCodec::codecForName(name.trimmed());
    if (!codec)
        return nullptr;
    static const QByteArray printable = [] {
        QByteArray bytes;
        for (char c = 0x20; c < 0x7f; ++c)
            bytes += c;
        return bytes;
    }();
    return codec->toUnicode(printable) == QLatin1String(printable) ? codec : nullptr;
}

} // namespace

namespace ReplyText {

QString decode(const QByteArray &body, const QByteArray &contentType)
{
    // Everything from a zero byte on is ignored: the service never sends one, and what follows
    // it would only be found by the searches by accident. memchr rather than
    // QByteArray::indexOf(), which in Qt 5 compares byte by byte: over a reply of megabytes the
    // C library's vectorised search is about ten times faster.
    const void *zero = std::memchr(body.constData(), 0, size_t(body.size()));
    const QByteArray bytes =
            zero ? body.left(int(static_cast<const char *>(zero) - body.constData())) : body;

    QTextCodec *utf8 = QTextCodec::codecForMib(106);
    QTextCodec::ConverterState state;
    QString text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;

    // A reply that is not UTF-8 usually says what it is; its letters are then read as meant
    // instead of reaching the record as replacement characters.
    QTextCodec *codec = asciiCompatibleCodec(declaredEncoding(bytes));
    if (!codec)
        codec = asciiCompatibleCodec(contentTypeCharset(contentType));
    // With a state the codec drops an incomplete sequence at the end, on Qt 5 and Qt 6 alike.
    if (codec) {
        QTextCodec::ConverterState codecState;
        return codec->toUnicode(bytes.constData(), bytes.size(), &codecState);
    }
    return QString::fromUtf8(bytes);
}

} // namespace ReplyText
