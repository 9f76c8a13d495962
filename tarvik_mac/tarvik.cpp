#include "tarvik.h"

#include "buildconfig.h"
#include "cardnumber.h"
#include "debugline.h"
#include "message.h"
#include "record.h"
#include "replyclassification.h"
#include "replytext.h"
#include "reporttexts.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

const char tooLargeProperty[] = "tarvikTooLarge";
const char tlsReportedProperty[] = "tarvikTlsReported";

QWidget *popupParent()
{
    // Without a desktop widget the popups become top-level windows of their own.
    return QApplication::desktop();
}

// Every error popup is built the same way: no buttons, the text, shown for a while. Nothing keeps
// the popup; it lives until the process ends, and its closing ends the run when it is the last
// window.
void showError(const QString &text, int displayMs)
{
    auto *popup = new Orvel::Message(popupParent());
    popup->showButtons(0);
    popup->setText(text);
    popup->start(displayMs);
}

} // namespace

Tarvik::Tarvik()
    : QObject(nullptr)
    , manager(nullptr)
    , progressMessage(new Orvel::Message(popupParent()))
{
    progressMessage->showButtons(0);
    progressMessage->setText(ReportTexts::progress());
    progressMessage->hide();
}

Tarvik::~Tarvik() = default;

void Tarvik::setTarvikData(QString number)
{
    number = CardNumber::cleanUp(number);
    const CardNumber::Verdict verdict = CardNumber::check(number);
    if (verdict != CardNumber::Verdict::Accepted) {
        DebugLine().text("Nummer ist falsch: ").value(number).write();
        showError(ReportTexts::errorText(CardNumber::rejectionMessage(verdict)),
                  ReportTexts::rejectionDisplayMs);
        return;
    }
    sendRequest(number);
}

void Tarvik::sendRequest(const QString &number)
{
    const QString address =
            QStringLiteral("http://") + QStringLiteral(TARVIK_SERVICE_HOST)
            + QStringLiteral("/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale"
                             "?type=XML&langue=1&carte=")
            + number + QStringLiteral("&ReturnType=STPLUS");

    // The network stack is created only for a number worth sending.
    manager = new QNetworkAccessManager(this);
    manager->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 5016));
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
    connect(manager, SIGNAL(sslErrors(QNetworkReply *, const QList<QSslError> &)), this,
            SLOT(sslErrors(QNetworkReply *, const QList<QSslError> &)));

    QNetworkRequest request(QUrl(address, QUrl::TolerantMode));
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply *reply = manager->get(request);

    // The reply is held in memory until it has finished; one that grows beyond the limit is
    // aborted as soon as it does, so memory stays bounded whatever the server sends.
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64 total) {
        if (received > maxReplyBytes || total > maxReplyBytes) {
            reply->setProperty(tooLargeProperty, true);
            reply->abort();
        }
    });

    progressMessage->show();
}

void Tarvik::replyFinished(QNetworkReply *reply)
{
    // The TLS report has ended the run already; the failure that follows it is not news.
    if (reply->property(tlsReportedProperty).toBool())
        return;

    progressMessage->hide();

    if (reply->property(tooLargeProperty).toBool() || reply->bytesAvailable() > maxReplyBytes) {
        showError(ReportTexts::errorText(ReportTexts::tooLarge()),
                  ReportTexts::statusReportDisplayMs);
        return;
    }

    if (reply->error() != QNetworkReply::NoError) {
        const QString errorString = reply->errorString();
        DebugLine().value(errorString).write();
        showError(ReportTexts::networkReport(errorString), ReportTexts::networkReportDisplayMs);
        return;
    }

    // The finished reply holds its whole body, so one read of what is available takes all of it.
    // readAll() would take the same bytes but first grows its array to try for more and then
    // shrinks it back; on the virtual machines this runs on, memory moved that way is faulted in
    // afresh when the text is decoded, about 1.5 ms a MiB of reply.
    const QString text =
            replyText(reply->read(reply->bytesAvailable()), reply->rawHeader("Content-Type"));
    const ReplyOutcome outcome = classifyReply(text);
    if (outcome == ReplyOutcome::Record) {
        writeRecord(text);
        return;
    }
    showError(ReportTexts::errorText(outcomeMessage(outcome)), ReportTexts::statusReportDisplayMs);
}

void Tarvik::writeRecord(const QString &replyText)
{
    const QVector<RecordLine> record = extractRecord(replyText);
    for (const RecordLine &line : record)
        DebugLine().text(line.label).value(line.value).text("\n").write();
    QCoreApplication::quit();
}

void Tarvik::sslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    Q_UNUSED(errors);
    // The errors are reported, not waved through: the connection is not trusted, and the reply
    // fails after this. Its failure must not add a second report, hence the mark.
    reply->setProperty(tlsReportedProperty, true);
    DebugLine().text("replyFinished SSL").write();
    DebugLine().number(reply->error()).write();
    DebugLine()
            .text(QStringLiteral("QUrl(\"") + reply->url().toDisplayString()
                  + QStringLiteral("\")"))
            .write();
    DebugLine().bytes(reply->readAll()).text("<br><br>").write();
    QCoreApplication::quit();
}
