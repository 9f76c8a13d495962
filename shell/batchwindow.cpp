// SPDX-License-Identifier: MIT
#include "batchwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

QString progressText(qint64 checked, qint64 cards)
{
    return BatchWindow::tr("%1 von %2 Karten geprüft").arg(checked).arg(cards);
}

} // namespace

BatchWindow::BatchWindow(qint64 cards)
    : label(new QLabel(progressText(0, cards)))
    , bar(new QProgressBar)
    , totalCards(cards)
{
    setWindowTitle(tr("Meldung"));
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
        Q_EMIT cancelRequested();
}
