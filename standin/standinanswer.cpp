// SPDX-License-Identifier: MIT
#include "standinanswer.h"

namespace StandinHttp {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 407:
        return "Proxy Authentication Required";
    case 408:
        return "Request Timeout";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    }
    return status < 500 ? "Client Error" : "Server Error";
}

QByteArray statusLine(int status, const QByteArray &phrase)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' '
           + (phrase.isEmpty() ? reasonPhrase(status) : phrase) + "\r\n";
}

QByteArray headFields(const QByteArray &contentType, qint64 contentLength,
                      const QByteArray &extraFields)
{
    return "Server: hin-standin\r\nContent-Type: " + contentType + "\r\n" + "Content-Length: "
           + QByteArray::number(contentLength) + "\r\n" + extraFields + "Connection: close\r\n\r\n";
}

StandinAnswer errorAnswer(int status, const QByteArray &detail, const QByteArray &extraFields,
                          const QByteArray &phrase)
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    const QByteArray body = "<html><head><title>" + title + "</title></head>\n<body><h1>" + title
                            + "</h1>\n<p>" + detail + "</p></body></html>\n";
    StandinAnswer answer;
    answer.head = statusLine(status, phrase)
                  + headFields("text/html; charset=UTF-8", body.size(), extraFields);
    answer.prefix = body;
    return answer;
}

} // namespace StandinHttp
