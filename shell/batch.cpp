// SPDX-License-Identifier: MIT
#include "batch.h"

#include "batchwindow.h"
#include "jsonanswer.h"
#include "output.h"
#include "signalpipe.h"
#include "watchdog.h"
#include "wording.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace {

// The watchdog writes the lines of cards never started in pieces of this size: few writes
// however many cards, little memory however long the input.
constexpr int restChunkBytes = 64 * 1024;

} // namespace

Batch::Batch(const QByteArray &cards, int atOnce, QObject *parent)
    : QObject(parent)
    , input(cards)
    , totalCards(BatchInput::count(cards))
    , jobs(atOnce)
    , lineSink([](const QByteArray &line) { return Output::write(line + '\n'); })
    , cut(Lookup::timedOut(QString()))
    , waiting(defaultMaxWaiting)
{
    Output::setLastLines([this] { writeRest(); });
}

Batch::~Batch()
{
    Output::setLastLines(nullptr);
    delete window;
}

void Batch::start()
{
    window = new BatchWindow(totalCards);
    connect(window, &BatchWindow::cancelRequested, this, &Batch::cancel);
    window->show();
    manager = new QNetworkAccessManager(this);
    CardRequest::useProxy(manager);
    // Answered from the event loop, so that a batch that ends at once still ends the loop.
    QTimer::singleShot(0, this, &Batch::pump);
}

void Batch::pump()
{
    const auto hold = Output::holdAnswer();
    QString card;
    while (!cancelling && !undelivered && inFlight.size() < jobs
           && started - written < waiting.size() && BatchInput::next(input, cursor, card)) {
        const Pending pending{started++, cursor.lineNumber, card};
        const CardNumber::Verdict verdict = CardNumber::check(pending.card);
        if (verdict != CardNumber::Verdict::Accepted) {
            decide(pending, Lookup::rejected(pending.card, verdict));
            continue;
        }
        slot(pending.ordinal).line = cutLine(pending.card, pending.lineNumber);
        QNetworkReply *reply = CardRequest::send(manager, pending.card, deadlineMs);
        inFlight.insert(reply, pending);
        connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
    }
    finishIfDone();
}

void Batch::finishIfDone()
{
    if (done || written < totalCards)
        return;
    done = true;
    if (window)
        window->finish();
    Q_EMIT finished();
}

void Batch::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const auto found = inFlight.find(reply);
    if (found == inFlight.end())
        return;
    const Pending pending = found.value();
    inFlight.erase(found);
    const Lookup::Result result = Lookup::fromReply(pending.card, CardRequest::collect(reply));
    const auto hold = Output::holdAnswer();
    decide(pending, result);
    pump();
}

void Batch::decide(const Pending &pending, const Lookup::Result &result)
{
    Slot &entry = slot(pending.ordinal);
    entry.line = JsonAnswer::object(result, pending.lineNumber);
    entry.decided = true;
    status = JsonAnswer::batchStatus(status, result.outcome);
    ++decided;
    if (watchdog)
        watchdog->kick();
    if (window)
        window->showProgress(decided);
    flush();
}

void Batch::flush()
{
    while (written < started) {
        Slot &next = slot(written);
        if (!next.decided)
            return;
        if (!undelivered && !lineSink(next.line)) {
            // Nobody reads any more: asking the shared service further would be for nothing.
            // The rest is cancelled once this call has returned, and goes nowhere.
            undelivered = true;
            status = JsonAnswer::undeliveredStatus;
            if (!cancelling)
                QTimer::singleShot(0, this, &Batch::cancel);
        }
        next = Slot();
        ++written;
    }
}

QByteArray Batch::cutLine(const QString &card, qint64 lineNumber) const
{
    Lookup::Result result = cut;
    result.card = card;
    return JsonAnswer::object(result, lineNumber);
}

void Batch::writeRest()
{
    QByteArray lines;
    for (qint64 ordinal = written; ordinal < started; ++ordinal)
        lines += slot(ordinal).line + '\n';
    // The cards not started yet may be millions: their lines are made from the input as they go.
    BatchInput::Cursor rest = cursor;
    QString card;
    while (BatchInput::next(input, rest, card)) {
        lines += cutLine(card, rest.lineNumber) + '\n';
        if (lines.size() >= restChunkBytes) {
            Output::write(lines);
            lines.clear();
        }
    }
    Output::write(lines);
}

void Batch::cancel()
{
    if (done || cancelling)
        return;
    const auto hold = Output::holdAnswer();
    cancelling = true;
    const QHash<QNetworkReply *, Pending> open = inFlight;
    inFlight.clear();
    for (auto it = open.begin(); it != open.end(); ++it) {
        it.key()->abort();
        decide(it.value(), Lookup::cancelled(it.value().card));
    }
    QString card;
    while (BatchInput::next(input, cursor, card)) {
        const Pending pending{started++, cursor.lineNumber, card};
        decide(pending, Lookup::cancelled(pending.card));
    }
    finishIfDone();
}

void Batch::cancelOnSignals()
{
    // Where it cannot be set up the default handling still ends the program.
    SignalPipe::install(this, [this] { cancel(); });
}
