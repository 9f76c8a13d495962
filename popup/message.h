// SPDX-License-Identifier: MIT
#pragma once

#include <QMessageBox>
#include <QString>

class QFocusEvent;
class QKeyEvent;
class QPushButton;
class QResizeEvent;

namespace Orvel {

// A message box with a fixed row of three buttons (Ok, Cancel, Yes, in that order) shown in four
// button sets, configured by directives written into its text, and shown either for a number of
// milliseconds or modally with a result.
class Message : public QMessageBox
{
    Q_OBJECT

public:
    explicit Message(QWidget *parent);
    ~Message() override;

    // Positions count from 1, indices from 0: setButtonText(1, ...) and getButton(0) address the
    // same (Ok) button. Out-of-range arguments are ignored.
    void setButtonText(int position, const QString &text);
    QPushButton *getButton(int index);
    QString getButtonText(int index);
    void showButtons(int set);

    // Hides QMessageBox::setText: applies the directives, then hands the text on unchanged.
    void setText(const QString &text);

    void setShowInterval(int ms);
    void start(int ms);
    int start();
    int exec() override;
    QString startReturnText();

    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // Auto-close interval in milliseconds used by start(); 0 means no automatic closing.
    int showInterval;

Q_SIGNALS:
    void lostFocus();
};

} // namespace Orvel
