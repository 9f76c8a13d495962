// SPDX-License-Identifier: MIT
#include "batch.h"

#include "batchwindow.h"
#include "signalpipe.h"
#include "jsonanswer.h"
#include "output.h"
#include "wording.h"
#include "watchdog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>


Batch::Batch(const QByteArray &input, int jobs, QObject *parent)
    : QObject(parent)
    , window(nullptr)
    , input(input)
    , totalCards(BatchInput::count(input))
    , jobs(jobs)
    , lineSink([](const QByteArray &line) { return Output::write(line + '\n'); })
    , waiting(defaultMaxWaiting)
{ }

Batch::~Batch()
{
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
    QString text;
    while (!cancelling && !undelivered && inFlight.size() < jobs
           && started - written < waiting.size() && BatchInput::next(input, cursor, text)) {
        const Pending pending{started++, cursor.lineNumber, CardNumber::cleanUp(text)};
        const CardNumber::Verdict verdict = CardNumber::check(pending.card);
        if (verdict != CardNumber::Verdict::Accepted) {
            decide(pending, Lookup::rejected(pending.card, verdict));
            continue;
        }
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
    emit finished();
}

void Batch::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const auto found = inFlight.find(reply);
    if (found == inFlight.end())
        return;
    const Pending pending = found.value();
    inFlight.erase(found);
    decide(pending, Lookup::fromReply(pending.card, CardRequest::collect(reply)));
    pump();
}

void Batch::decide(const Pending &pending, const Lookup::Result &result)
{
    waiting[int(pending.ordinal % waiting.size())] = JsonAnswer::object(result, pending.lineNumber);
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
        QByteArray &line = waiting[int(written % waiting.size())];
        if (line.isEmpty())
            return;
        if (!undelivered && !lineSink(line)) {
            // Nobody reads any more: asking the shared service further would be for nothing.
            // The rest is cancelled once this call has returned, and goes nowhere.
            undelivered = true;
            status = JsonAnswer::undeliveredStatus;
            QTimer::singleShot(0, this, &Batch::cancel);
        }
        line.clear();
        ++written;
    }
}

void Batch::cancel()
{
    if (done || cancelling)
        return;
    cancelling = true;
    const QHash<QNetworkReply *, Pending> open = inFlight;
    inFlight.clear();
    for (auto it = open.begin(); it != open.end(); ++it) {
        it.key()->abort();
        decide(it.value(), Lookup::cancelled(it.value().card));
    }
    QString text;
    while (BatchInput::next(input, cursor, text)) {
        const Pending pending{started++, cursor.lineNumber, CardNumber::cleanUp(text)};
        decide(pending, Lookup::cancelled(pending.card));
    }
    finishIfDone();
}

void Batch::cancelOnSignals()
{
    // Where it cannot be set up the default handling still ends the program.
    SignalPipe::install(this, [this] { cancel(); });
}
