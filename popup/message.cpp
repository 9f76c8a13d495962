#include "message.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QList>
#include <QPushButton>
#include <QRegExp>
#include <QResizeEvent>
#include <QTimer>

namespace Orvel {

namespace {

// Every button operation looks the buttons up afresh. The message box holds exactly the three
// push buttons created in the constructor, and a recursive child search returns them in creation
// order: Ok, Cancel, Yes.
QList<QPushButton *> buttonList(const QObject *popup)
{
    return popup->findChildren<QPushButton *>();
}

bool holdsInformationKeyword(const QString &lowerText)
{
    return lowerText.contains(QLatin1String("<info>"))
           || lowerText.contains(QLatin1String("<information>"));
}

const int titleKeywordLength = 7; // "<title:"

} // namespace

// The constructor taking three button codes adds the buttons one at a time in the order given,
// which fixes their order among the children and so the positions every operation counts with.
// Plain codes without Default/Escape flags keep the message box out of its compatibility mode, so
// QDialog::exec() reports the standard button values (Ok 0x400, Cancel 0x400000, Yes 0x4000).
Message::Message(QWidget *parent)
    : QMessageBox(QString(), QString(), QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Cancel,
                  QMessageBox::Yes, parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , showInterval(0)
{
    setObjectName(QStringLiteral("OrvelMessage"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(false);
    setTextFormat(Qt::RichText);
    const QList<QPushButton *> buttons = buttonList(this);
    for (int i = 1; i < buttons.size(); ++i)
        buttons.at(i)->hide();
    setFocus(Qt::OtherFocusReason);
}

Message::~Message() = default;

void Message::setButtonText(int position, QString text)
{
    const QList<QPushButton *> buttons = buttonList(this);
    if (position < 1 || position > buttons.size())
        return;
    buttons.at(position - 1)->setText(text);
}

QPushButton *Message::getButton(int index)
{
    if (index < 0 || index > 2)
        return nullptr;
    const QList<QPushButton *> buttons = buttonList(this);
    return index < buttons.size() ? buttons.at(index) : nullptr;
}

QString Message::getButtonText(int index)
{
    QPushButton *button = getButton(index);
    return button ? button->text() : QString();
}

void Message::showButtons(int set)
{
    if (set < 0 || set > 3)
        return;
    const QList<QPushButton *> buttons = buttonList(this);
    for (QPushButton *button : buttons)
        button->setVisible(true);
    // Sets hide from the end of the row, so the visible buttons are always positions 1..set; the
    // button placement on resize relies on that.
    for (int i = set; i < buttons.size(); ++i)
        buttons.at(i)->setVisible(false);
    if (set == 0 || buttons.size() < set)
        return;

    // The rightmost visible button is the default one; every button left of it loses the
    // default flags a previous set may have given it.
    for (int i = 0; i < set - 1; ++i) {
        buttons.at(i)->setAutoDefault(false);
        buttons.at(i)->setDefault(false);
    }
    if (set == 2) {
        buttons.at(1)->setText(QStringLiteral("Abbrechen"));
    } else if (set == 3) {
        buttons.at(1)->setText(QStringLiteral("Anderes"));
        buttons.at(2)->setText(QStringLiteral("Abbrechen"));
    }
    QPushButton *defaultButton = buttons.at(set - 1);
    defaultButton->setAutoDefault(true);
    defaultButton->setDefault(true);
    defaultButton->setFocus(Qt::OtherFocusReason);
}

void Message::setText(const QString &text)
{
    const QString lower = text.toLower();

    // Icon directives: a later kind overrides an earlier one, question mode overrides all.
    setIcon(QMessageBox::NoIcon);
    if (holdsInformationKeyword(lower))
        setIcon(QMessageBox::Information);
    if (lower.contains(QLatin1String("<warn>")) || lower.contains(QLatin1String("<warning>")))
        setIcon(QMessageBox::Warning);
    if (lower.contains(QLatin1String("<critic>")) || lower.contains(QLatin1String("<critical>")))
        setIcon(QMessageBox::Critical);

    const QRegExp intervalDirective(QStringLiteral("<\\d+>"));
    const int intervalStart = intervalDirective.indexIn(text);
    if (intervalStart >= 0) {
        const int intervalEnd = text.indexOf(QLatin1Char('>'), intervalStart);
        // A number beyond the int range fails to convert and yields 0: no automatic closing.
        showInterval =
                text.mid(intervalStart + 1, intervalEnd - intervalStart - 1).toInt(nullptr, 10);
    }

    // The title speaks the user's language; the button captions stay German, as callers rely on
    // them.
    QString title = tr("Meldung");
    const QRegExp titleDirective(QStringLiteral("<title:.+>"));
    if (titleDirective.indexIn(lower) >= 0) {
        int titleStart = titleDirective.indexIn(text);
        if (titleStart < 0) {
            // The keyword is not written in lower case ("<Title:"): it is found in the lower-cased
            // text only. Locate it regardless of case, the title itself keeps the caller's case.
            titleStart = QRegExp(QStringLiteral("<title:.+>"), Qt::CaseInsensitive).indexIn(text);
        }
        if (titleStart >= 0) {
            const int titleEnd = text.indexOf(QLatin1Char('>'), titleStart);
            title = text.mid(titleStart + titleKeywordLength,
                             titleEnd - titleStart - titleKeywordLength);
        }
    }
    setWindowTitle(title);

    // Modality is only ever switched on: a later text without the directive keeps it.
    if (lower.contains(QLatin1String("<modal>")))
        setModal(true);

    if (lower.contains(QLatin1String("<question>"))) {
        setModal(true);
        setIcon(QMessageBox::Question);
        showButtons(2);
        setButtonText(1, QStringLiteral("Ja"));
        setButtonText(2, QStringLiteral("Nein"));
    }

    // The directives stay in the text; as rich text they are read as unknown tags and not shown.
    QMessageBox::setText(text);
}

void Message::setShowInterval(int ms)
{
    showInterval = ms;
}

void Message::start(int ms)
{
    show();
    raise();
    activateWindow();
    // A modal popup waits for the user; closing it by timer would pull the answer away.
    if (isModal())
        return;
    // Each call gets its own timer and none is stopped, so the earliest due timer closes the
    // popup; the popup owns them.
    auto *closeTimer = new QTimer(this);
    closeTimer->setSingleShot(true);
    connect(closeTimer, SIGNAL(timeout()), this, SLOT(close()));
    closeTimer->start(ms);
}

int Message::start()
{
    if (!text().toLower().contains(QLatin1String("<question>"))) {
        if (showInterval != 0)
            start(showInterval);
        else
            show();
        return -1;
    }
    return exec();
}

int Message::exec()
{
    const QList<QPushButton *> buttons = buttonList(this);
    const int n = buttons.size();
    // Closing without a button (Escape, a close timer) ends the run with the value of the
    // message box's escape button, which is the Cancel one.
    const int result = QDialog::exec();

    // A button captioned "Abbrechen" means cancel whatever its position, and cancel is 0.
    const auto resultFor = [&buttons, n](int position) {
        if (n >= position
            && buttons.at(position - 1)->text().toLower().contains(QLatin1String("abbrechen")))
            return 0;
        return position;
    };
    switch (result) {
    case QMessageBox::Ok:
        return resultFor(1);
    case QMessageBox::Cancel:
        return resultFor(2);
    case QMessageBox::Yes:
        return resultFor(3);
    default:
        return 0;
    }
}

QString Message::startReturnText()
{
    const QList<QPushButton *> buttons = buttonList(this);
    const int n = buttons.size();
    const int result = QDialog::exec();

    int position = 0;
    switch (result) {
    case QMessageBox::Ok:
        position = 1;
        break;
    case QMessageBox::Cancel:
        position = 2;
        break;
    case QMessageBox::Yes:
        position = 3;
        break;
    default:
        return QString();
    }
    return position <= n ? buttons.at(position - 1)->text() : QString();
}

void Message::keyPressEvent(QKeyEvent *event)
{
    // Close directly instead of letting the message box click its escape button (the Cancel
    // button, which may be hidden or renamed): Escape is no button press.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void Message::focusOutEvent(QFocusEvent *event)
{
    emit lostFocus();
    // An information popup is a passing notice: it goes away once the user turns elsewhere.
    if (holdsInformationKeyword(text().toLower()))
        close();
    QWidget::focusOutEvent(event);
}

void Message::resizeEvent(QResizeEvent *event)
{
    // Let the message box lay itself out first, then centre the visible buttons in one row of
    // the first button's size.
    QMessageBox::resizeEvent(event);

    const QList<QPushButton *> buttons = buttonList(this);
    int n = 0;
    for (const QPushButton *button : buttons) {
        if (!button->isHidden())
            ++n;
    }
    if (n < 1 || n > 3 || buttons.isEmpty())
        return;

    const int popupWidth = width();
    const QRect first = buttons.at(0)->geometry();
    const int y = first.y();
    const int w = first.width();
    const int h = first.height();

    switch (n) {
    case 1:
        buttons.at(0)->setGeometry(popupWidth / 2 - w / 2, y, w, h);
        break;
    case 2:
        buttons.at(0)->setGeometry(popupWidth / 2 - w - 4, y, w, h);
        buttons.at(1)->setGeometry(popupWidth / 2 + 8, y, w, h);
        break;
    case 3: {
        const int x = popupWidth / 2 - (3 * w) / 2 - 8;
        buttons.at(0)->setGeometry(x, y, w, h);
        buttons.at(1)->setGeometry(x + w + 8, y, w, h);
        buttons.at(2)->setGeometry(x + 2 * w + 16, y, w, h);
        break;
    }
    }
}

} // namespace Orvel
