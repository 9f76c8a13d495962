// SPDX-License-Identifier: MIT
#include "standinrequest.h"

#include <QList>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QByteArray servicePath = "/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale";

bool isToken(const QByteArray &text)
{
    static const QByteArray punctuation = "!#$%&'*+-.^_`|~";
    for (char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                        || punctuation.contains(c);
        if (!ok)
            return false;
    }
    return !text.isEmpty();
}

bool isVisibleAscii(const QByteArray &text)
{
    for (char c : text) {
        if (c < 0x21 || c > 0x7e)
            return false;
    }
    return !text.isEmpty();
}

// The target of a request line: its second part.
QUrl target(const QByteArray &line)
{
    return QUrl::fromEncoded(line.split(' ').value(1), QUrl::StrictMode);
}

} // namespace

namespace StandinRequest {

bool isRequestLine(const QByteArray &line)
{
    const QList<QByteArray> parts = line.split(' ');
    static const QRegularExpression version(QStringLiteral("^HTTP/1\\.[0-9]$"));
    return parts.size() == 3 && isToken(parts.at(0)) && isVisibleAscii(parts.at(1))
           && version.match(QString::fromLatin1(parts.at(2))).hasMatch();
}

std::optional<StandinAnswer> refusal(const QByteArray &line)
{
    if (line.split(' ').value(0) != "GET")
        return StandinHttp::errorAnswer(405, "Only GET is served.", "Allow: GET\r\n");

    const QUrl url = target(line);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty())
        return StandinHttp::errorAnswer(400, "A proxy request needs an absolute http:// address.");
    if (url.path(QUrl::FullyEncoded).toLatin1() != servicePath)
        return StandinHttp::errorAnswer(404, "There is nothing at this address.");

    // The service answers only in the one format the lookup reads.
    const QUrlQuery query(url);
    if (query.queryItemValue(QStringLiteral("type")) != QLatin1String("XML")
        || query.queryItemValue(QStringLiteral("langue")) != QLatin1String("1")
        || query.queryItemValue(QStringLiteral("ReturnType")) != QLatin1String("STPLUS"))
        return StandinHttp::errorAnswer(
                400, "The service expects type=XML, langue=1 and ReturnType=STPLUS.");
    return std::nullopt;
}

QByteArray card(const QByteArray &line)
{
    return QUrlQuery(target(line))
            .queryItemValue(QStringLiteral("carte"), QUrl::FullyDecoded)
            .toUtf8();
}

bool asksFor(const QByteArray &line, const QByteArray &card)
{
    return line.split(' ').value(1).contains("carte=" + card);
}

} // namespace StandinRequest
