#include "batch.h"

#include "answerline.h"
#include "jsonanswer.h"

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
#include <unistd.h>
#endif

namespace {

QString progressText(qint64 checked, qint64 cards)
{
    return QStringLiteral("%1 von %2 Karten geprüft").arg(checked).arg(cards);
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
    setWindowTitle(QStringLiteral("Meldung"));
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
    , lineSink(AnswerLine::write)
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
        QNetworkReply *reply = CardRequest::send(manager, pending.card, transferTimeoutMs);
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
