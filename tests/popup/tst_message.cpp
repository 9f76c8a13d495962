#include "message.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using Orvel::Message;
using Icon = QMessageBox::Icon;
Q_DECLARE_METATYPE(QMessageBox::Icon)

namespace {

QtMessageHandler testLogHandler = nullptr;

// The offscreen platform cannot raise windows or pass size hints on, and says so on every show.
void dropPlatformNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtWarningMsg || !message.startsWith(QLatin1String("This plugin does not support")))
        testLogHandler(type, context, message);
}

// Created as the card lookup creates popups, so that cleanup() finds every one as a window.
Message *newPopup()
{
    return new Message(QApplication::desktop());
}

// Once a modal run of the popup has started, clicks the button at index, or sends Escape for -1.
// After two seconds without a run it closes whatever is modal, so a broken run cannot hang.
void answerWhenModal(Message *popup, int index)
{
    auto *poll = new QTimer(popup);
    QObject::connect(poll, &QTimer::timeout, poll, [=, tries = 0]() mutable {
        const bool running = QApplication::activeModalWidget() == popup && popup->isVisible();
        if (!running && ++tries < 200)
            return;
        poll->deleteLater();
        if (!running && QApplication::activeModalWidget())
            QApplication::activeModalWidget()->close();
        else if (index < 0)
            QTest::keyClick(popup, Qt::Key_Escape);
        else
            QTest::mouseClick(popup->getButton(index), Qt::LeftButton);
    });
    poll->start(10);
}

QString visibility(Message *popup)
{
    QString pattern;
    for (int i = 0; i < 3; ++i)
        pattern += popup->getButton(i)->isHidden() ? QLatin1Char('-') : QLatin1Char('x');
    return pattern;
}

void showActive(Message *popup)
{
    popup->start(60000);
    QVERIFY(QTest::qWaitForWindowActive(popup));
}

} // namespace

class TestMessage : public QObject
{
    Q_OBJECT

    QStringList standardCaptions;

private slots:
    void initTestCase()
    {
        testLogHandler = qInstallMessageHandler(dropPlatformNotes);
        Message reference(nullptr);
        for (int i = 0; i < 3; ++i)
            standardCaptions << reference.getButtonText(i);
    }

    void cleanup()
    {
        QStringList leftOpen;
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                leftOpen << window->objectName();
            windows << window;
        }
        qDeleteAll(windows); // one deleted with its parent reads as null here
        QVERIFY2(leftOpen.isEmpty(), qPrintable("left open: " + leftOpen.join(", ")));
    }

    void construction()
    {
        Message *m = newPopup();
        QCOMPARE(m->objectName(), QStringLiteral("OrvelMessage"));
        QCOMPARE(m->metaObject()->className(), "Orvel::Message");
        QVERIFY(m->windowTitle().isEmpty() && m->text().isEmpty());
        QCOMPARE(m->icon(), QMessageBox::NoIcon);
        QCOMPARE(m->textFormat(), Qt::RichText);
        QVERIFY(!m->isModal());
        QCOMPARE(m->windowType(), Qt::Dialog);
        QVERIFY(m->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
        QVERIFY(m->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(m->focusWidget(), m);
        // Positions and exec() results rest on the creation order of the standard buttons.
        const QList<QPushButton *> buttons = m->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(m->standardButton(buttons.at(0)), QMessageBox::Ok);
        QCOMPARE(m->standardButton(buttons.at(1)), QMessageBox::Cancel);
        QCOMPARE(m->standardButton(buttons.at(2)), QMessageBox::Yes);
        QCOMPARE(visibility(m), QStringLiteral("x--"));
    }

    void buttonSets_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("set");
        QTest::addColumn<QString>("visible");
        QTest::addColumn<QStringList>("captions"); // "": the toolkit's standard caption
        QTest::addColumn<int>("defaultIndex"); // -1: none

        const QStringList standard{"", "", ""}, two{"", "Abbrechen", ""};
        const QStringList three{"", "Anderes", "Abbrechen"};
        QTest::newRow("0 hides all") << 3 << 0 << "---" << three << 2;
        QTest::newRow("1 after 0: Ok again, default") << 0 << 1 << "x--" << standard << 0;
        QTest::newRow("2") << 1 << 2 << "xx-" << two << 1;
        QTest::newRow("3") << 1 << 3 << "xxx" << three << 2;
        QTest::newRow("2 after 3 keeps hidden caption")
                << 3 << 2 << "xx-" << QStringList{"", "Abbrechen", "Abbrechen"} << 1;
        QTest::newRow("4 ignored") << 0 << 4 << "---" << standard << -1;
        QTest::newRow("-1 ignored") << 2 << -1 << "xx-" << two << 1;
    }

    void buttonSets()
    {
        QFETCH(int, before);
        QFETCH(int, set);
        QFETCH(QString, visible);
        QFETCH(QStringList, captions);
        QFETCH(int, defaultIndex);

        Message *m = newPopup();
        m->showButtons(before);
        m->showButtons(set);
        QCOMPARE(visibility(m), visible);
        for (int i = 0; i < 3; ++i) {
            const QString caption = captions.at(i);
            QCOMPARE(m->getButtonText(i), caption.isEmpty() ? standardCaptions.at(i) : caption);
            QCOMPARE(m->getButton(i)->isDefault(), i == defaultIndex);
            if (i <= defaultIndex)
                QCOMPARE(m->getButton(i)->autoDefault(), i == defaultIndex);
        }
        if (defaultIndex >= 0)
            QCOMPARE(m->focusWidget(), m->getButton(defaultIndex));
    }

    void buttonAddressing()
    {
        Message *m = newPopup();
        m->setButtonText(0, "null");
        m->setButtonText(4, "vier");
        QCOMPARE(QStringList({m->getButtonText(0), m->getButtonText(1), m->getButtonText(2)}),
                 standardCaptions);
        m->setButtonText(1, "eins");
        m->setButtonText(3, "drei");
        QCOMPARE(m->getButtonText(0), QStringLiteral("eins"));
        QCOMPARE(m->getButtonText(2), QStringLiteral("drei"));
        QVERIFY(!m->getButton(-1) && !m->getButton(3));
        QVERIFY(m->getButtonText(3).isNull() && m->getButtonText(-1).isNull());
    }

    void directives_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("modal");
        QTest::addColumn<int>("interval"); // 777, the value before: unchanged

        const auto row = [](const char *name, const char *text, Icon icon, const char *title,
                            bool modal, int interval) {
            QTest::newRow(name) << QString::fromUtf8(text) << icon << title << modal << interval;
        };
        const Icon none = QMessageBox::NoIcon, info = QMessageBox::Information,
                   warn = QMessageBox::Warning, critical = QMessageBox::Critical;
        row("error text", "FEHLER: <br><br>Nummer ungültig", none, "Meldung", false, 777);
        row("INFO", "<INFO>x", info, "Meldung", false, 777);
        row("information", "x<information>", info, "Meldung", false, 777);
        row("WARN", "a<WARN>b", warn, "Meldung", false, 777);
        row("warning beats info", "<warning><info>", warn, "Meldung", false, 777);
        row("critic", "<critic>", critical, "Meldung", false, 777);
        row("critical beats warn", "<critical><warn>", critical, "Meldung", false, 777);
        row("question beats critical", "<critical><question>", QMessageBox::Question, "Meldung",
            true, 777);
        row("interval", "<warn><5000>", warn, "Meldung", false, 5000);
        row("interval leading zero", "<05000>", none, "Meldung", false, 5000);
        row("interval overflow", "<99999999999>", none, "Meldung", false, 0);
        row("first interval counts", "<300><400>", none, "Meldung", false, 300);
        row("no interval: sign", "<-300> <30s>", none, "Meldung", false, 777);
        row("title", "<title:Hallo Welt>Text <b>fett</b>", none, "Hallo Welt", false, 777);
        row("empty title alone is none", "a <title:> b", none, "Meldung", false, 777);
        row("empty title with later >", "<title:> <b>", none, "", false, 777);
        row("title keyword in capitals", "<TITLE:Gross>", none, "Gross", false, 777);
        row("Modal", "<Modal>", none, "Meldung", true, 777);
    }

    void directives()
    {
        QFETCH(QString, text);
        QFETCH(Icon, icon);
        QFETCH(QString, title);
        QFETCH(bool, modal);
        QFETCH(int, interval);

        Message *m = newPopup();
        m->setShowInterval(777);
        m->setWindowTitle("vorher");
        m->setText(text);
        QCOMPARE(m->icon(), icon);
        QCOMPARE(m->windowTitle(), title);
        QCOMPARE(m->isModal(), modal);
        QCOMPARE(m->showInterval, interval);
        QCOMPARE(m->text(), text);
    }

    void questionMode()
    {
        Message *m = newPopup();
        m->showButtons(3);
        m->setText("Weiter?<QUESTION>");
        QCOMPARE(visibility(m), QStringLiteral("xx-"));
        QCOMPARE(m->getButtonText(0), QStringLiteral("Ja"));
        QCOMPARE(m->getButtonText(1), QStringLiteral("Nein"));
        QVERIFY(m->getButton(1)->isDefault() && !m->getButton(0)->isDefault());
        QCOMPARE(m->focusWidget(), m->getButton(1));
    }

    void laterTextKeepsModalityAndButtons()
    {
        Message *m = newPopup();
        m->showButtons(3);
        m->setText("<modal><critical><title:Erst>");
        m->setText("FEHLER: <br><br>zweiter Text");
        QVERIFY(m->isModal());
        QCOMPARE(m->icon(), QMessageBox::NoIcon);
        QCOMPARE(m->windowTitle(), QStringLiteral("Meldung"));
        QCOMPARE(visibility(m), QStringLiteral("xxx"));
    }

    void modalResults_data()
    {
        QTest::addColumn<int>("set"); // -1: question mode
        QTest::addColumn<QString>("firstCaption"); // renames position 1 unless empty
        QTest::addColumn<int>("press"); // button index, -1: Escape
        QTest::addColumn<int>("number"); // exec(), and start() in question mode
        QTest::addColumn<QString>("caption"); // startReturnText(); "*": standard Ok caption

        QTest::newRow("set 1 Ok") << 1 << "" << 0 << 1 << "*";
        QTest::newRow("set 2 Ok") << 2 << "" << 0 << 1 << "*";
        QTest::newRow("set 2 Abbrechen") << 2 << "" << 1 << 0 << "Abbrechen";
        QTest::newRow("set 3 Ok") << 3 << "" << 0 << 1 << "*";
        QTest::newRow("set 3 Anderes") << 3 << "" << 1 << 2 << "Anderes";
        QTest::newRow("set 3 Abbrechen") << 3 << "" << 2 << 0 << "Abbrechen";
        QTest::newRow("question Ja") << -1 << "" << 0 << 1 << "Ja";
        QTest::newRow("question Nein") << -1 << "" << 1 << 2 << "Nein";
        QTest::newRow("Ok holding ABBRECHEN")
                << 1 << "Jetzt ABBRECHEN!" << 0 << 0 << "Jetzt ABBRECHEN!";
        // Escape is no button press; the run ends with the result of the (hidden) Cancel button.
        QTest::newRow("question Escape") << -1 << "" << -1 << 2 << "Nein";
        QTest::newRow("set 2 Escape") << 2 << "" << -1 << 0 << "Abbrechen";
    }

    void modalResults()
    {
        QFETCH(int, set);
        QFETCH(QString, firstCaption);
        QFETCH(int, press);
        QFETCH(int, number);
        QFETCH(QString, caption);

        Message *m = newPopup();
        if (set < 0)
            m->setText("Wirklich?<question>");
        else
            m->showButtons(set);
        if (!firstCaption.isEmpty())
            m->setButtonText(1, firstCaption);

        answerWhenModal(m, press);
        QCOMPARE(m->exec(), number);
        QVERIFY(!m->isVisible());
        answerWhenModal(m, press);
        QCOMPARE(m->startReturnText(), caption == "*" ? standardCaptions.at(0) : caption);
        QVERIFY(!m->isVisible());
        answerWhenModal(m, press);
        QCOMPARE(static_cast<QDialog *>(m)->exec(), number); // the override, reached virtually
        if (set < 0) {
            answerWhenModal(m, press);
            QCOMPARE(m->start(), number);
        }
    }

    void startWithoutQuestion()
    {
        Message *m = newPopup();
        QCOMPARE(m->start(), -1);
        QTest::qWait(20);
        QVERIFY(m->isVisible()); // no interval: shown, and no timer closes it
        m->setText("Hinweis <50>");
        QCOMPARE(m->start(), -1);
        QTRY_VERIFY_WITH_TIMEOUT(!m->isVisible(), 2000);

        Message *modal = newPopup();
        modal->setText("<modal><50>bleibt");
        modal->start(50);
        QCOMPARE(modal->start(), -1);
        QTest::qWait(200);
        QVERIFY(modal->isVisible()); // a modal popup gets no close timer
        modal->close();
    }

    void timedClose()
    {
        Message *m = newPopup();
        m->showButtons(0);
        m->start(0);
        QVERIFY(m->isVisible());
        QTRY_VERIFY(!m->isVisible());

        // Every call adds a timer and none is stopped: the earliest closes, a later one again.
        Message *twice = newPopup();
        twice->start(60000);
        twice->start(50);
        twice->start(300);
        QTRY_VERIFY_WITH_TIMEOUT(!twice->isVisible(), 2000);
        twice->show();
        QTRY_VERIFY_WITH_TIMEOUT(!twice->isVisible(), 2000);
        const auto timers = twice->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(timers.size(), 3);
        for (const QTimer *timer : timers)
            QVERIFY(timer->isSingleShot());
    }

    void focusLoss_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("closes");
        QTest::newRow("info") << "<info>Hinweis" << true;
        QTest::newRow("INFORMATION") << "<INFORMATION>Hinweis" << true;
        QTest::newRow("warn") << "<warn>Achtung" << false;
        QTest::newRow("no keyword") << "Text" << false;
    }

    void focusLoss()
    {
        QFETCH(QString, text);
        QFETCH(bool, closes);

        auto *other = new QWidget;
        other->show();
        Message *m = newPopup();
        m->showButtons(0);
        m->setText(text);
        showActive(m);
        QCOMPARE(QApplication::focusWidget(), m);

        QSignalSpy spy(m, &Message::lostFocus);
        bool visibleAtSignal = false;
        connect(m, &Message::lostFocus, this, [&] { visibleAtSignal = m->isVisible(); });
        other->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(other));
        QCOMPARE(spy.count(), 1);
        QVERIFY(visibleAtSignal);
        QCOMPARE(m->isVisible(), !closes);
        m->close();
        other->close();
    }

    void buttonRow_data()
    {
        QTest::addColumn<int>("popupWidth");
        QTest::addColumn<int>("firstWidth");
        QTest::addColumn<int>("set");
        QTest::addColumn<QList<int>>("lefts");
        QTest::newRow("one of 400/80") << 400 << 80 << 1 << QList<int>{160};
        QTest::newRow("two of 400/80") << 400 << 80 << 2 << QList<int>{116, 208};
        QTest::newRow("three of 400/80") << 400 << 80 << 3 << QList<int>{72, 160, 248};
        QTest::newRow("one of 401/81") << 401 << 81 << 1 << QList<int>{160};
        QTest::newRow("one of 400/81") << 400 << 81 << 1 << QList<int>{160};
        QTest::newRow("three of 401/81") << 401 << 81 << 3 << QList<int>{71, 160, 249};
        QTest::newRow("three of 400/81") << 400 << 81 << 3 << QList<int>{71, 160, 249};
        QTest::newRow("none moves") << 400 << 80 << 0 << QList<int>{};
    }

    void buttonRow()
    {
        QFETCH(int, popupWidth);
        QFETCH(int, firstWidth);
        QFETCH(int, set);
        QFETCH(QList<int>, lefts);

        Message *m = newPopup();
        m->showButtons(set);
        // Each button gets its own place and size; those placed take the first one's row and size.
        const QList<QRect> before{QRect(3, 17, firstWidth, 30), QRect(1, 2, 50, 20),
                                  QRect(5, 6, 60, 22)};
        for (int i = 0; i < 3; ++i)
            m->getButton(i)->setGeometry(before.at(i));
        m->resize(popupWidth, 200);
        QResizeEvent event(m->size(), QSize(10, 10));
        QApplication::sendEvent(m, &event);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m->getButton(i)->geometry(),
                     i < lefts.size() ? QRect(lefts.at(i), 17, firstWidth, 30) : before.at(i));
        }
    }

    void escapeCloses()
    {
        // The message box's own Escape handling would click its escape button instead.
        qRegisterMetaType<QAbstractButton *>();
        Message *plain = newPopup();
        QSignalSpy plainClicked(plain, &QMessageBox::buttonClicked);
        plain->showButtons(0);
        showActive(plain);
        QTest::keyClick(plain, Qt::Key_Escape);
        QVERIFY(!plain->isVisible());

        Message *question = newPopup();
        QSignalSpy questionClicked(question, &QMessageBox::buttonClicked);
        question->setText("Frage<question>");
        answerWhenModal(question, -1);
        question->start();
        QVERIFY(!question->isVisible());
        QCOMPARE(plainClicked.count() + questionClicked.count(), 0);
    }

    void otherKeysReachMessageBox()
    {
        // Return clicking the visible default button is the dialog's own key handling.
        Message *m = newPopup();
        m->showButtons(2);
        showActive(m);
        QTest::keyClick(m, Qt::Key_Return);
        QCOMPARE(m->clickedButton(), m->getButton(1));
        QVERIFY(!m->isVisible());
    }
};

QTEST_MAIN(TestMessage)
#include "tst_message.moc"
