#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

// Stands in for the HIN Client and the card-validation service behind it: an HTTP proxy that
// accepts the absolute-form GET for the service path and answers it from a folder of sample
// replies, one file per card number. It can also fail on purpose, the way the real pair fails.
class StandinServer : public QTcpServer
{
    Q_OBJECT

public:
    enum class Failure {
        None, // answer from the samples (or the fixed reply)
        HttpError, // answer with the configured HTTP error status and a short HTML body
        CloseWithoutAnswer, // read the request, then close the connection without a byte
        NeverAnswer, // read the request, then keep the connection open and stay silent
    };

    explicit StandinServer(QObject *parent = nullptr);

    // The folder holding <card number>.xml files. A card without a file gets the service's
    // "unknown card" answer (status 60).
    void setSamplesDir(const QString &dir);

    // Answers every request with this body and content type instead of a sample (for tests).
    void setFixedReply(const QByteArray &body, const QByteArray &contentType = QByteArrayLiteral(
                                                       "text/xml; charset=UTF-8"));

    void setFailure(Failure failure, int httpStatus = 404);

    // Pads every successful reply with an XML comment up to this many bytes (0: no padding).
    // The padding is streamed in chunks, so large replies cost the stand-in little memory.
    void setPadTo(qint64 bytes);

    // The request lines received so far, e.g. "GET http://host/path?query HTTP/1.1".
    QList<QByteArray> requestLines() const;

Q_SIGNALS:
    void requestReceived(const QByteArray &requestLine);

protected:
    void incomingConnection(qintptr socketDescriptor) override;
};
