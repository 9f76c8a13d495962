#include "message.h"

namespace Orvel {
Message::Message(QWidget *parent)
    : QMessageBox(parent)
    , showInterval(0)
{ }
Message::~Message() = default;
void Message::setButtonText(int, QString) { }
QPushButton *Message::getButton(int)
{
    return nullptr;
}
QString Message::getButtonText(int)
{
    return {};
}
void Message::showButtons(int) { }
void Message::setText(const QString &text)
{
    QMessageBox::setText(text);
}
void Message::setShowInterval(int ms)
{
    showInterval = ms;
}
void Message::start(int)
{
    show();
}
int Message::start()
{
    return -1;
}
int Message::exec()
{
    return 0;
}
QString Message::startReturnText()
{
    return {};
}
void Message::keyPressEvent(QKeyEvent *event)
{
    QMessageBox::keyPressEvent(event);
}
void Message::focusOutEvent(QFocusEvent *event)
{
    QMessageBox::focusOutEvent(event);
}
void Message::resizeEvent(QResizeEvent *event)
{
    QMessageBox::resizeEvent(event);
}
} // namespace Orvel
