// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The batch's one window: a progress bar and "k von N Karten geprüft". Escape or closing it
// asks to cancel; the batch closes it itself at the end.
class BatchWindow : public QWidget
{
    Q_OBJECT

public:
    explicit BatchWindow(qint64 cards);

    void showProgress(qint64 checked);
    // Closes the window without asking to cancel.
    void finish();

Q_SIGNALS:
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *label;
    QProgressBar *bar;
    qint64 totalCards;
    bool finished = false;
};
