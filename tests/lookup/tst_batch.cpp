// SPDX-License-Identifier: MIT
// The batch in-process against the stand-in on the HIN Client's port: input order, the number
// of requests open at once, the cap on finished lines waiting, and cancelling from the window.
#include "batch.h"
#include "standinserver.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QByteArray anna = "80756000080000000001", unknown = "80756000080000000060",
                 problem = "80756000080000000067";

} // namespace

class tst_Batch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void orderAndWaitingLines();
    void requestsAtOnce_data();
    void requestsAtOnce();
    void escapeCancelsTheRest();

private:
    void start(const QByteArray &input, int jobs);
    // "<line>:<outcome>" for every line written, in order.
    QStringList written() const;

    StandinServer *standin = nullptr;
    Batch *batch = nullptr;
    QList<QByteArray> lines;
};

void tst_Batch::init()
{
    standin = new StandinServer(this);
    standin->setSamplesDir(QStringLiteral(TARVIK_SOURCE_DIR "/standin/samples"));
    QVERIFY(standin->listen(QHostAddress::LocalHost, 5016));
    lines.clear();
}

void tst_Batch::cleanup()
{
    delete batch;
    batch = nullptr;
    delete standin;
}

void tst_Batch::start(const QByteArray &input, int jobs)
{
    batch = new Batch(input, jobs);
    batch->setSink([this](const QByteArray &line) {
        lines << line;
        return true;
    });
}

QStringList tst_Batch::written() const
{
    QStringList seen;
    for (const QByteArray &line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        seen << QString::number(object.value("line").toInt()) + ':'
                        + object.value("outcome").toString();
    }
    return seen;
}

void tst_Batch::orderAndWaitingLines()
{
    // The rejected numbers are decided at once, while the request before them is still out;
    // with room for two finished lines, the card after them waits for the first answer.
    standin->setDelay(300);
    start(anna + "\n\nKarte 8075\n123\n" + problem + "\r\n" + unknown, 4);
    batch->setMaxWaiting(2);
    QSignalSpy finished(batch, &Batch::finished);
    batch->start();
    QVERIFY(batch->window->isVisible());
    QVERIFY(QTest::qWaitFor([&] { return !standin->requestLines().isEmpty(); }, 5000));
    QTest::qWait(150);
    QCOMPARE(standin->requestLines().size(), 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(written(),
             QStringList({"1:found", "3:rejected", "4:rejected", "5:failed", "6:unknown-person"}));
    QCOMPARE(batch->exitStatus(), 4);
    QCOMPARE(batch->window->label->text(), QStringLiteral("5 von 5 Karten geprüft"));
    QVERIFY(!batch->window->isVisible());
}

void tst_Batch::requestsAtOnce_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("1") << 1;
    QTest::newRow("6") << 6;
}

void tst_Batch::requestsAtOnce()
{
    QFETCH(int, jobs);
    standin->setDelay(2000);
    start((anna + '\n').repeated(8), jobs);
    batch->start();
    QVERIFY(QTest::qWaitFor([&] { return standin->requestLines().size() >= jobs; }, 5000));
    QTest::qWait(300);
    QCOMPARE(standin->requestLines().size(), jobs);
}

void tst_Batch::escapeCancelsTheRest()
{
    standin->setDelay(300);
    start(anna + '\n' + anna + "\n\n" + unknown + '\n' + problem + '\n', 1);
    QSignalSpy finished(batch, &Batch::finished);
    batch->start();
    QVERIFY(QTest::qWaitFor([&] { return !lines.isEmpty(); }, 5000));
    QTest::keyClick(batch->window, Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(written(), QStringList({"1:found", "2:cancelled", "4:cancelled", "5:cancelled"}));
    QCOMPARE(batch->exitStatus(), 4);
    QVERIFY(!batch->window->isVisible());
}

QTEST_MAIN(tst_Batch)
#include "tst_batch.moc"
