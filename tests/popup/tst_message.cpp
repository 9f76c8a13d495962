// SPDX-License-Identifier: MIT
#include "directives.h"
#include "message.h"
#include "translation.h"

#include "testliterals.h"

#include <QtTest>
#include <QtWidgets>

using Orvel::Message;

class tst_Message : public QObject
{
    Q_OBJECT

    // Popups are created as the card lookup creates them: children of the desktop widget, where
    // there is one.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QWidget *const desktop = QApplication::desktop();
#else
    QWidget *const desktop = nullptr;
#endif

    // Icon, title, modality, interval, then the buttons with "-" for hidden, "*" for default and
    // "!" for the focus. The toolkit captions Ok, Cancel and Yes "OK", "Cancel" and "&Yes".
    QString state(Message *m)
    {
        QString s =
                QString::fromLatin1(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(m->icon()))
                + ", "_s + m->windowTitle() + (m->isModal() ? ", modal, "_s : ", modeless, "_s)
                + QString::number(m->showInterval);
        for (QPushButton *b : {m->getButton(0), m->getButton(1), m->getButton(2)})
            s += (b->isHidden() ? ", -"_s : ", "_s) + b->text() + (b->isDefault() ? "*"_s : ""_s)
                 + (m->focusWidget() == b ? "!"_s : ""_s);
        return s;
    }

    // The intervals of a popup's close timers still running.
    static QList<int> closeTimers(const Message *m)
    {
        QList<int> intervals;
        for (const QTimer *timer : m->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
            if (timer->isActive())
                intervals << timer->interval();
        return intervals;
    }

    // Runs the event loop as main() does: true when it ends because the last window closed. A
    // popup merely hidden would leave it running; after five seconds the run counts as failed.
    static bool runEndsByClosing()
    {
        QObject guard;
        QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(1); });
        return QApplication::exec() == 0;
    }

private Q_SLOTS:
    void cleanup()
    {
        // Only popups are windows here; nothing else deletes them, and a test must close them.
        const QWidgetList all = QApplication::topLevelWidgets();
        const bool open = std::any_of(all.begin(), all.end(), std::mem_fn(&QWidget::isVisible));
        qDeleteAll(all);
        QVERIFY2(!open, "a test left a window open");
    }

    // A fresh popup, which arguments out of range leave as it is; the button sets in turn; then
    // texts, whose directives set icon, title and interval anew but modality and buttons only on.
    void buttonSetsAndTexts()
    {
        Message *m = new Message(desktop);
        m->setButtonText(0, "null"_s); // positions count from 1
        m->setButtonText(4, "vier"_s);
        m->showButtons(-1);
        m->showButtons(4);
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, -Cancel, -&Yes"_s);
        QCOMPARE(m->text(), QString());
        QCOMPARE(m->textFormat(), Qt::RichText);
        QCOMPARE(m->focusWidget(), static_cast<QWidget *>(m));
        QCOMPARE(m->objectName(), "OrvelMessage"_s);
        QVERIFY(m->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!m->getButton(-1) && !m->getButton(3));
        QCOMPARE(m->getButtonText(3), QString());
        m->showButtons(3);
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, Anderes, Abbrechen*!"_s);
        m->showButtons(0); // keeps the default
        QCOMPARE(state(m), "NoIcon, , modeless, 0, -OK, -Anderes, -Abbrechen*!"_s);
        m->showButtons(1); // Ok, no longer auto-default after set 3, is so again
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK*!, -Anderes, -Abbrechen"_s);
        QVERIFY(m->getButton(0)->autoDefault());
        m->showButtons(2); // keeps the hidden caption
        QCOMPARE(state(m), "NoIcon, , modeless, 0, OK, Abbrechen*!, -Abbrechen"_s);
        QVERIFY(!m->getButton(0)->autoDefault());
        m->setShowInterval(777);
        m->setText("<critic><title:Hallo><modal>"_s);
        QCOMPARE(state(m), "Critical, Hallo, modal, 777, OK, Abbrechen*!, -Abbrechen"_s);
        m->setText("<question><0050>"_s);
        QCOMPARE(state(m), "Question, Messaggio, modal, 50, Ja, Nein*!, -Abbrechen"_s);
        m->setText("zweiter Text"_s);
        QCOMPARE(state(m), "NoIcon, Messaggio, modal, 50, Ja, Nein*!, -Abbrechen"_s);
    }

    void directives_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found"); // the icon, then what else was found
        const auto row = [](const char *name, const char *text, const char *found) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(found);
        };
        row("INFORMATION in capitals", "x<INFORMATION>", "Information info");
        row("warning beats info", "<info><Warning>", "Warning info");
        row("keywords need >", "<warnings><informations><critics><modals><questions>", "NoIcon");
        row("critical beats WARN", "<critical><WARN>", "Critical");
        row("QUESTION beats critic", "<critic><QUESTION>", "Question modal question");
        row("first interval counts", "<-3> <3s> <> <05000><400>", "NoIcon 5000");
        row("beyond int reads 0", "<2147483648>", "NoIcon 0");
        row("BMP digits only, read 0", "<\U0001D7D1> <\u0663>", "NoIcon 0");
        row("title takes any character", "<title:\n >", "NoIcon title:\n ");
        row("keyword and > alone is none", "a <title:> b", "NoIcon");
        row("first title, empty, up to >", "<title:> b> <title:B>", "NoIcon title:");
        row("capital T, caller's case", "<Title:GROSS>", "NoIcon title:GROSS");
    }

    void directives()
    {
        QFETCH(QString, text);
        const Orvel::Directives::Found f = Orvel::Directives::scan(text);
        QTEST(QString::fromLatin1(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(int(f.icon)))
                      + (f.information ? " info"_s : ""_s)
                      + (f.interval ? " "_s + QString::number(*f.interval) : ""_s)
                      + (f.title ? " title:"_s + *f.title : ""_s) + (f.modal ? " modal"_s : ""_s)
                      + (f.question ? " question"_s : ""_s),
              "found");
    }

    void modalResults_data()
    {
        QTest::addColumn<int>("set"); // -1: question mode, run by start()
        QTest::addColumn<int>("press"); // button index; -1 presses Return, 3 rejects
        QTest::addColumn<QString>("caption"); // given to the pressed button, if any, and returned
        QTest::addColumn<int>("result");
        QTest::newRow("set 3 Yes") << 3 << 2 << "Weiter"_s << 3;
        QTest::newRow("set 3 Return: Abbrechen") << 3 << -1 << "Abbrechen"_s << 0;
        QTest::newRow("set 1 Ok holding ABBRECHEN") << 1 << 0 << "Jetzt ABBRECHEN"_s << 0;
        QTest::newRow("question Ja") << -1 << 0 << "Ja"_s << 1;
        QTest::newRow("question Nein") << -1 << 1 << "Nein"_s << 2;
        QTest::newRow("rejected") << 1 << 3 << QString() << 0;
    }

    void modalResults()
    {
        QFETCH(int, set);
        QFETCH(int, press);
        QFETCH(QString, caption);
        Message *m = new Message(desktop);
        m->showButtons(set);
        m->setText(set < 0 ? "Wirklich?<QUESTION>"_s : QString());
        m->setButtonText(press + 1, caption);
        const auto answer = [m, press] {
            (press < 0)   ? QTest::keyClick(m, Qt::Key_Return)
            : (press > 2) ? m->reject()
                          : m->getButton(press)->click();
        };
        QTimer::singleShot(0, m, answer); // once the popup runs modally
        QTEST(set < 0 ? m->start() : m->exec(), "result");
        QTimer::singleShot(0, m, answer);
        QCOMPARE(m->startReturnText(), caption); // no "abbrechen" rule here
    }

    // Closing, not merely hiding, ends the run; a popup without an interval or a modal one waits
    // for Escape, which is no button press.
    void closing()
    {
        Message *m = new Message(desktop);
        m->start(60000);
        m->setShowInterval(50);
        QCOMPARE(m->start(), -1); // the earliest timer closes
        QVERIFY(runEndsByClosing());
        m->setShowInterval(0);
        QCOMPARE(m->start(), -1); // shown without a close timer
        m->setText("<modal>"_s); // modal, yet only a question waits for an answer
        QCOMPARE(m->start(), -1);
        m->start(0);
        // The 50 ms timer was single-shot, the 60 s one still waits.
        QCOMPARE(closeTimers(m), QList<int>{60000});
        QVERIFY(m->isVisible());
        connect(m, &QMessageBox::buttonClicked, m, [] { QFAIL("Escape pressed a button"); });
        QTimer::singleShot(0, m, [m] { QTest::keyClick(m, Qt::Key_Escape); });
        QVERIFY(runEndsByClosing());
    }

    // Losing the focus is told; an information popup then closes, which ends the run, and a
    // warning stays.
    void focusLoss()
    {
        Message *info = new Message(desktop), *warn = new Message(desktop);
        info->setText("<INFO>"_s);
        warn->setText("<warn>"_s);
        QSignalSpy lost(info, &Message::lostFocus), closed(info, &QDialog::finished);
        QFocusEvent out(QEvent::FocusOut);
        for (Message *m : {info, warn}) {
            m->show();
            QApplication::sendEvent(m, &out);
        }
        QCOMPARE(lost.size(), 1);
        QCOMPARE(closed.size(), 1);
        QVERIFY(warn->isVisible());
        warn->close();
    }

    void buttonRow_data()
    {
        QTest::addColumn<QList<int>>("lefts"); // in a popup 400 wide with a first button 81 wide
        QTest::newRow("one") << QList<int>{160};
        QTest::newRow("two") << QList<int>{115, 208};
        QTest::newRow("three") << QList<int>{71, 160, 249};
    }

    void buttonRow()
    {
        QFETCH(QList<int>, lefts);
        Message *m = new Message(desktop);
        m->showButtons(lefts.size());
        m->resize(400, 200);
        // Each button its own place and size; those placed take the first one's row and size.
        const auto before = [](int i) { return QRect(3 - i, 17 + i, 81 - 10 * i, 30 + i); };
        for (int i = 0; i < 3; ++i)
            m->getButton(i)->setGeometry(before(i));
        QResizeEvent event(m->size(), m->size());
        QApplication::sendEvent(m, &event);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m->getButton(i)->geometry(),
                     i < lefts.size() ? QRect(lefts.at(i), 17, 81, 30) : before(i));
    }
};

// The texts are loaded before the application, as in main, and reach the popup's title; the
// Italian ones, whatever the machine's language.
int main(int argc, char *argv[])
{
    qputenv("LANGUAGE", "it");
    Translation::load();
    QApplication app(argc, argv);
    tst_Message test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_message.moc"
