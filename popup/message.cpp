// SPDX-License-Identifier: MIT
#include "message.h"

#include "directives.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QList>
#include <QPushButton>
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

static_assert(int(Directives::Icon::None) == QMessageBox::NoIcon
                      && int(Directives::Icon::Information) == QMessageBox::Information
                      && int(Directives::Icon::Warning) == QMessageBox::Warning
                      && int(Directives::Icon::Critical) == QMessageBox::Critical
                      && int(Directives::Icon::Question) == QMessageBox::Question,
              "directive icons are handed on as message box icons");

} // namespace

Message::Message(QWidget *parent)
    : QMessageBox(QMessageBox::NoIcon, QString(), QString(), QMessageBox::NoButton, parent,
                  Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , showInterval(0)
{
    // One at a time and in this order, which fixes the positions every button operation counts
    // with; a set of standard buttons would be created in the order of the flag values (Ok, Yes,
    // Cancel). Standard buttons make QDialog::exec() report their own values (Ok 0x400, Cancel
    // 0x400000, Yes 0x4000), and the Cancel one is what closing without a button reports.
    for (const StandardButton button : {Ok, Cancel, Yes})
        addButton(button);
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

void Message::setButtonText(int position, const QString &text)
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
    const Directives::Found found = Directives::scan(text);
    setIcon(static_cast<QMessageBox::Icon>(found.icon));
    if (found.interval)
        showInterval = *found.interval;
    // The title speaks the user's language; the button captions stay German, as callers rely on
    // them.
    setWindowTitle(found.title.value_or(tr("Meldung")));
    // Modality is only ever switched on: a later text without the directive keeps it.
    if (found.modal)
        setModal(true);
    if (found.question) {
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
    if (!Directives::scan(text()).question) {
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
    Q_EMIT lostFocus();
    // An information popup is a passing notice: it goes away once the user turns elsewhere.
    if (Directives::scan(text()).information)
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
