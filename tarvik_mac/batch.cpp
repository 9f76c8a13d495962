// SPDX-License-Identifier: MIT
#include "batch.h"

#include "jsonanswer.h"
#include "output.h"
#include "translation.h"
#include "watchdog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#endif

namespace {

QString progressText(qint64 checked, qint64 cards)
{
    return BatchWindow::tr("%1 von %2 Karten geprüft").arg(checked).arg(cards);
}

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t sent = ::write(signalPipe[1], &byte, 1);
}
#endif

} // namespace

BatchWindow::BatchWindow(qint64 cards)
    : label(new QLabel(progressText(0, cards)))
    , bar(new QProgressBar)
    , totalCards(cards)
{
    setWindowTitle(tr("Meldung"));
    // The input limit (64 MiB) keeps the count far inside the bar's int range.
    bar->setRange(0, int(cards));
    bar->setValue(0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(bar);
    setMinimumWidth(320);
}

void BatchWindow::showProgress(qint64 checked)
{
    label->setText(progressText(checked, totalCards));
    bar->setValue(int(checked));
}

void BatchWindow::finish()
{
    finished = true;
    close();
}

void BatchWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void BatchWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!finished)
        emit cancelRequested();
}

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
#ifdef Q_OS_UNIX
    if (::pipe(signalPipe) != 0)
        return; // the default handling still ends the program
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &Batch::cancel);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
#endif
}

namespace {

// A batch larger than this is refused rather than held: about three million cards.
constexpr qint64 maxBatchInput = 64 * 1024 * 1024;

// Reads all of standard input; false when it is larger than the limit or cannot be read.
bool readAllInput(QByteArray &input)
{
    char buffer[64 * 1024];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (input.size() + qint64(got) > maxBatchInput)
            return false;
        input.append(buffer, int(got));
    }
    return !std::ferror(stdin);
}

} // namespace

int Batch::run(int argc, char *argv[], int jobs)
{
    QByteArray input;
    if (!readAllInput(input)) {
        const QString problem = Translation::translate(
                "Batch", "Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in "
                         "Teilen prüfen.");
        std::fprintf(stderr, "tarvik: %s\n", problem.toUtf8().constData());
        return 2;
    }
    // Nothing to check: no window, nothing written.
    if (BatchInput::count(input) == 0)
        return 0;

    // A batch runs as long as its cards take; the watchdog ends it only when no card has been
    // decided for its whole limit, and then ends it as failed.
    Watchdog guard;
    Output::setLastWords(QByteArray(), JsonAnswer::undeliveredStatus,
                         JsonAnswer::undeliveredStatus);
    QApplication app(argc, argv, 0x050201);
    Batch batch(input, jobs);
    input.clear();
    batch.watchdog = &guard;
    QObject::connect(&batch, &Batch::finished, &app, &QCoreApplication::quit);
    batch.cancelOnSignals();
    batch.start();
    app.exec();
    return Output::exitStatus(batch.exitStatus(), JsonAnswer::undeliveredStatus);
}
