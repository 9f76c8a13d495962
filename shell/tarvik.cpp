// SPDX-License-Identifier: MIT
#include "tarvik.h"

#include "debugline.h"
#include "jsonanswer.h"
#include "message.h"
#include "messagehandler.h"
#include "output.h"
#include "reporttexts.h"
#include "signalpipe.h"

#include <QApplication>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QDesktopWidget>
#endif
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

const char tlsReportedProperty[] = "tarvikTlsReported";

// The one place where the toolkit versions differ for the popups: Qt 5 parents them to the desktop
// widget, which Qt 6 no longer has; there they are top-level windows of their own. Either way they
// are centred on the screen and their closing ends the run.
QWidget *popupParent()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return QApplication::desktop();
#else
    return nullptr;
#endif
}

// Every popup of the run is built the same way: no buttons, the rich text. Nothing keeps it; it
// lives until the process ends, and its closing ends the run when it is the last window.
Orvel::Message *popupWith(const QString &richText)
{
    auto *popup = new Orvel::Message(popupParent());
    popup->showButtons(0);
    popup->setText(richText);
    return popup;
}

// An error popup, shown for its report's while, at most for limitMs.
void showError(const ReportTexts::Report &report, int limitMs)
{
    popupWith(ReportTexts::popupText(report))->start(qMin(report.displayMs, limitMs));
}

// The JSON line of a card that could not be read: the popup's text and the reader's detail.
QByteArray readerFailureLine(const ReportTexts::Report &report, const QString &detail)
{
    return JsonAnswer::readerFailed(ReportTexts::plainText(report), detail) + '\n';
}

} // namespace

Tarvik::Tarvik(Form output)
    : QObject(nullptr)
    , manager(nullptr)
    , progressMessage(popupWith(ReportTexts::progressText()))
    , form(output)
{
    progressMessage->hide();
}

Tarvik::~Tarvik() = default;

void Tarvik::setTarvikData(const QString &number)
{
    card = CardNumber::cleanUp(number);
    const CardNumber::Verdict verdict = CardNumber::check(card);
    if (verdict != CardNumber::Verdict::Accepted) {
        report(Lookup::rejected(card, verdict));
        return;
    }
    sendRequest();
}

void Tarvik::sendRequest()
{
    // The network stack is created only for a number worth sending.
    manager = new QNetworkAccessManager(this);
    CardRequest::useProxy(manager);
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
    connect(manager, SIGNAL(sslErrors(QNetworkReply *, const QList<QSslError> &)), this,
            SLOT(sslErrors(QNetworkReply *, const QList<QSslError> &)));
    CardRequest::send(manager, card, deadlineMs, growthLimitBytes);
    progressMessage->show();
    stage = Stage::LookingUp;

    // Should the watchdog have to end the run before the reply is in, the calling program learns
    // what it learns of a request cut at its deadline.
    const Lookup::Result cut = Lookup::timedOut(card);
    if (form == Form::Json) {
        Output::setLastWords(jsonObject(cut) + '\n', JsonAnswer::exitStatus(cut.outcome),
                             JsonAnswer::undeliveredStatus);
        return;
    }
    QByteArray lastWords;
    for (const QString &line : Lookup::textLines(cut))
        lastWords += outputBytes(line);
    Output::setLastWords(lastWords);
}

void Tarvik::replyFinished(QNetworkReply *reply)
{
    // The TLS report has ended the run already; the failure that follows it is not news.
    if (reply->property(tlsReportedProperty).toBool())
        return;
    progressMessage->hide();
    report(Lookup::fromReply(card, CardRequest::collect(reply)));
}

void Tarvik::report(const Lookup::Result &result)
{
    stage = Stage::Answered;
    {
        // All lines or none: the watchdog must not end the run halfway through a record.
        const auto hold = Output::holdAnswer();
        if (form == Form::Json) {
            writeJson(result);
        } else {
            for (const QString &line : Lookup::textLines(result))
                DebugLine::write(line);
        }
    }
    if (result.outcome == Lookup::Outcome::Found)
        QCoreApplication::quit();
    else
        showError(result.report, popupLimitMs);
}

void Tarvik::writeJson(const Lookup::Result &result)
{
    // An answer that did not reach the calling program counts as failed: exitStatus() sees to it.
    Output::write(jsonObject(result) + '\n');
    status = JsonAnswer::exitStatus(result.outcome);
}

QByteArray Tarvik::jsonObject(const Lookup::Result &result) const
{
    const QByteArray object = JsonAnswer::object(result);
    return haveChip ? JsonAnswer::withChip(object, JsonAnswer::chipObject(chip, today)) : object;
}

void Tarvik::readCard(bool onlyTheChip)
{
    chipOnly = onlyTheChip;
    waitMessage = popupWith(ReportTexts::insertCardText());
    reader = new CardReader(this);
    connect(reader, &CardReader::cardRead, this, &Tarvik::cardRead);
    connect(reader, &CardReader::readFailed, this, &Tarvik::readFailed);
    // A card of another kind: the popup says so and goes on asking for the insurance card.
    connect(reader, &CardReader::otherCard, this,
            [this]() { waitMessage->setText(ReportTexts::otherCardText()); });
    // Escape or the window's close button: the user gives up on the card. Hiding the popup
    // once the card is read does not count, nor does its closing by the end of the run (Qt 6
    // closes the windows as the run quits).
    connect(waitMessage, &QDialog::rejected, this, [this]() {
        if (stage == Stage::Waiting)
            readFailed({ReaderFailure::Cancelled, CardReader::cancelledName()});
    });
    if (form == Form::Json) {
        // Should the watchdog end a run whose card never answers, the calling program still gets
        // its one line.
        Output::setLastWords(readerFailureLine(ReportTexts::reader(ReaderFailure::Unreadable),
                                               CardReader::timedOutName()),
                             JsonAnswer::exitStatus(Lookup::Outcome::Failed),
                             JsonAnswer::undeliveredStatus);
    }
    reader->start(cardWaitMs, cardReadMs);
    waitMessage->show();
    stage = Stage::Waiting;
}

void Tarvik::cardRead(const ChipData::Card &onChip)
{
    waitMessage->hide();
    chip = onChip;
    today = QDate::currentDate();
    haveChip = form == Form::Json;
    if (!chipOnly) {
        setTarvikData(onChip.cardNumber);
        return;
    }
    stage = Stage::Answered;
    Output::write(JsonAnswer::chipRead(JsonAnswer::chipObject(chip, today)) + '\n');
    status = 0;
    QCoreApplication::quit();
}

void Tarvik::readFailed(const ReaderError &error)
{
    reader->cancel();
    stage = Stage::Answered;
    const ReportTexts::Report report = ReportTexts::reader(error.failure);
    if (form == Form::Json) {
        Output::write(readerFailureLine(report, error.detail));
        status = JsonAnswer::exitStatus(Lookup::Outcome::Failed);
    }
    // The closed popup has ended the run already; any other failure is shown.
    if (error.failure == ReaderFailure::Cancelled)
        return;
    waitMessage->hide();
    showError(report, popupLimitMs);
}

void Tarvik::endOnSignals()
{
    // Where the signals cannot be caught, their default action still ends the run.
    SignalPipe::install(this, [this]() { endNow(); });
}

void Tarvik::endNow()
{
    switch (stage) {
    case Stage::Waiting:
        readFailed({ReaderFailure::Cancelled, CardReader::cancelledName()});
        break;
    case Stage::LookingUp:
        // The reply that may still come is no news any more.
        disconnect(manager, nullptr, this, nullptr);
        if (form == Form::Json) {
            const auto hold = Output::holdAnswer();
            writeJson(Lookup::cancelled(card));
        }
        stage = Stage::Answered;
        break;
    case Stage::Started:
    case Stage::Answered:
        break;
    }
    QCoreApplication::quit();
}

int Tarvik::exitStatus(int loopStatus) const
{
    if (form == Form::Json)
        return Output::exitStatus(status, JsonAnswer::undeliveredStatus);
    return Output::exitStatus(loopStatus);
}

void Tarvik::sslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    // The errors are reported, not waved through: the connection is not trusted, and the reply
    // fails after this. Its failure must not add a second report, hence the mark.
    reply->setProperty(tlsReportedProperty, true);
    stage = Stage::Answered;
    const auto hold = Output::holdAnswer(); // all lines or none, as for a record
    if (form == Form::Json) {
        QStringList texts;
        for (const QSslError &error : errors)
            texts << error.errorString();
        writeJson(Lookup::tlsFailed(card, texts.isEmpty() ? reply->errorString()
                                                          : texts.join(QStringLiteral("; "))));
        QCoreApplication::quit();
        return;
    }
    DebugLine().text("replyFinished SSL").write();
    DebugLine().number(reply->error()).write();
    DebugLine()
            .text(QStringLiteral("QUrl(\"") + reply->url().toDisplayString()
                  + QStringLiteral("\")"))
            .write();
    DebugLine().bytes(reply->readAll()).text("<br><br>").write();
    QCoreApplication::quit();
}
