#include "message.h"

#include <QtTest>
#include <QtWidgets>

using Orvel::Message;

class TestMessage : public QObject
{
    Q_OBJECT

    // Created as the card lookup creates them, so that cleanup() finds every popup as a window.
    Message *popup() { return new Message(QApplication::desktop()); }

    // Icon, title, modality, interval, then the buttons with "-" for hidden, "*" for default and
    // "!" for the focus. The toolkit captions Ok, Cancel and Yes "OK", "Cancel" and "&Yes".
    QString state(Message *m)
    {
        QStringList parts{QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(m->icon()),
                          m->windowTitle(), m->isModal() ? "modal" : "modeless",
                          QString::number(m->showInterval)};
        for (QPushButton *b : {m->getButton(0), m->getButton(1), m->getButton(2)}) {
            parts << (b->isHidden() ? "-" : "") + b->text() + (b->isDefault() ? "*" : "")
                             + (m->focusWidget() == b ? "!" : "");
        }
        return parts.join(", ");
    }

    // Clicks the button at index once the popup runs modally. Should it not run then, closes it
    // instead, so that a broken run cannot hang the test.
    void answerWhenModal(Message *m, int index)
    {
        QTimer::singleShot(0, m, [=] {
            if (QApplication::activeModalWidget() == m)
                QTest::mouseClick(m->getButton(index), Qt::LeftButton);
            else
                m->close();
        });
    }

private slots:
    void cleanup()
    {
        QStringList open; // closes and names every window a test left open
        QList<QPointer<QWidget>> popups;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->close())
                open << window->objectName();
            if (qobject_cast<Message *>(window))
                popups << window;
        }
        // The popups are the desktop's children and would otherwise live to the end of the run.
        for (const QPointer<QWidget> &popup : popups)
            delete popup.data();
        QVERIFY2(open.isEmpty(), qPrintable("left open: " + open.join(", ")));
    }

    // A fresh popup, which arguments out of range leave as it is; then the button sets in turn.
    void constructionAndButtonSets()
    {
        Message *m = popup();
        m->setButtonText(0, "null"); // positions count from 1
        m->setButtonText(4, "vier");
        m->showButtons(-1);
        m->showButtons(4);
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, -Cancel, -&Yes");
        QVERIFY(m->text().isEmpty() && m->textFormat() == Qt::RichText && m->focusWidget() == m);
        QVERIFY(m->objectName() == "OrvelMessage" && m->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!m->getButton(-1) && !m->getButton(3) && m->getButtonText(3).isEmpty());
        m->showButtons(3);
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, Anderes, Abbrechen*!");
        m->showButtons(0); // keeps the default
        QCOMPARE(state(m), "NoIcon, , modeless, 0, -OK, -Anderes, -Abbrechen*!");
        m->showButtons(1);
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK*!, -Anderes, -Abbrechen");
        m->showButtons(2); // keeps the hidden caption; Ok is no longer auto-default either
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, Abbrechen*!, -Abbrechen");
        QVERIFY(!m->getButton(0)->autoDefault());
    }

    void directives_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("state"); // from an interval of 777
        const auto row = [](const char *name, const char *text, const char *state) {
            QTest::newRow(name) << text << state + QString(", OK, -Cancel, -&Yes");
        };
        row("none in an error text", "FEHLER: <br><br>ungültig", "NoIcon, Meldung, modeless, 777");
        row("INFO in capitals", "<INFO>x", "Information, Meldung, modeless, 777");
        row("information", "x<information>", "Information, Meldung, modeless, 777");
        row("warning beats info", "<info><warning>", "Warning, Meldung, modeless, 777");
        row("critical beats WARN", "<critical><WARN>", "Critical, Meldung, modeless, 777");
        row("first interval counts", "<-3> <3s> <05000><400>", "NoIcon, Meldung, modeless, 5000");
        row("title up to >, critic", "<title:Hallo>x<critic>", "Critical, Hallo, modeless, 777");
        row("empty title alone is none", "a <title:> b", "NoIcon, Meldung, modeless, 777");
        QTest::newRow("question beats critical")
                << "<critical><question>"
                << "Question, Meldung, modal, 777, Ja, Nein*!, -&Yes";
    }

    void directives()
    {
        QFETCH(QString, text);
        QFETCH(QString, state);
        Message *m = popup();
        m->setShowInterval(777);
        m->setText(text);
        QCOMPARE(this->state(m), state);
        QCOMPARE(m->text(), text);
        // A later text sets icon and title anew but leaves modality, interval and buttons.
        m->setText("zweiter Text");
        QCOMPARE(this->state(m), "NoIcon, Meldung, " + state.section(", ", 2));
    }

    void modalResults_data()
    {
        QTest::addColumn<int>("set"); // -1: question mode, run by start()
        QTest::addColumn<QString>("first"); // caption of position 1 unless empty
        QTest::addColumn<int>("press"); // button index
        QTest::addColumn<int>("result");
        QTest::newRow("set 2 Abbrechen") << 2 << "" << 1 << 0;
        QTest::newRow("set 3 Ok") << 3 << "" << 0 << 1;
        QTest::newRow("set 3 Anderes") << 3 << "" << 1 << 2;
        QTest::newRow("set 3 Abbrechen") << 3 << "" << 2 << 0;
        QTest::newRow("question Nein") << -1 << "" << 1 << 2;
        QTest::newRow("set 1 Ok holding ABBRECHEN") << 1 << "Jetzt ABBRECHEN" << 0 << 0;
    }

    void modalResults()
    {
        QFETCH(int, set);
        QFETCH(QString, first);
        QFETCH(int, press);
        Message *m = popup();
        m->showButtons(set);
        m->setText(set < 0 ? "Wirklich?<question>" : "");
        if (!first.isEmpty())
            m->setButtonText(1, first);
        answerWhenModal(m, press);
        QTEST(set < 0 ? m->start() : m->exec(), "result");
        answerWhenModal(m, press); // no "abbrechen" rule here: the pressed button's caption
        QCOMPARE(m->startReturnText(), m->getButtonText(press));
    }

    void timedClosing()
    {
        Message *m = popup();
        m->start(0);
        QTRY_VERIFY(!m->isVisible());
        // Every call adds a timer and none is stopped: the earliest closes, a later one again.
        m->setShowInterval(50);
        m->start();
        m->start(300);
        QTRY_VERIFY(!m->isVisible());
        m->show();
        QTRY_VERIFY(!m->isVisible());
        // Without an interval start() only shows, and a modal popup gets no timer; all timers so
        // far are spent. It waits for the user: Return presses its default button.
        m->setShowInterval(0);
        QCOMPARE(m->start(), -1);
        m->setText("<modal><50>");
        QCOMPARE(m->start(), -1);
        QTest::qWait(200);
        QVERIFY(m->isVisible());
        m->showButtons(1);
        QTest::keyClick(m, Qt::Key_Return);
        QCOMPARE(m->clickedButton(), m->getButton(0));
    }

    void focusLossAndEscape()
    {
        Message *warn = popup(), *info = popup();
        QStringList seen;
        QObject scope; // ends the connections below with the test, also when it fails
        for (Message *m : {warn, info}) { // the second one takes the focus from the first
            m->setText(m == warn ? "<warn>" : "<INFO>");
            m->showButtons(0); // the popup itself holds the focus
            connect(m, &Message::lostFocus, &scope,
                    [&seen, m] { seen << m->text() + (m->isVisible() ? " open" : " closed"); });
            m->start(60000);
            QVERIFY(QTest::qWaitForWindowActive(m));
        }
        warn->activateWindow();
        QTRY_VERIFY(!info->isVisible());
        QCOMPARE(seen, QStringList({"<warn> open", "<INFO> open"}));
        // The warning stays until Escape closes it, which the message box's own handling would do
        // by pressing its escape button.
        QVERIFY(warn->isVisible());
        connect(warn, &QMessageBox::buttonClicked, &scope,
                [] { QFAIL("Escape pressed a button"); });
        QTest::keyClick(warn, Qt::Key_Escape);
        QVERIFY(!warn->isVisible());
    }

    void buttonRow_data()
    {
        QTest::addColumn<QList<int>>("lefts"); // in a popup 400 wide with a first button 81 wide
        QTest::newRow("one") << QList<int>{160};
        QTest::newRow("two") << QList<int>{115, 208};
        QTest::newRow("three") << QList<int>{71, 160, 249};
        QTest::newRow("none moves") << QList<int>{};
    }

    void buttonRow()
    {
        QFETCH(QList<int>, lefts);
        Message *m = popup();
        m->showButtons(lefts.size());
        // Each button its own place and size; those placed take the first one's row and size.
        const QList<QRect> before{{3, 17, 81, 30}, {1, 2, 50, 20}, {5, 6, 60, 22}};
        for (int i = 0; i < 3; ++i)
            m->getButton(i)->setGeometry(before.at(i));
        m->resize(400, 200);
        QResizeEvent event(m->size(), QSize(10, 10));
        QApplication::sendEvent(m, &event);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m->getButton(i)->geometry(),
                     i < lefts.size() ? QRect(lefts.at(i), 17, 81, 30) : before.at(i));
        }
    }
};

QTEST_MAIN(TestMessage)
#include "tst_message.moc"
