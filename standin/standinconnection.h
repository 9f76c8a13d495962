// SPDX-License-Identifier: MIT
#pragma once

#include "standinanswer.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

// One client connection: reads the request head, answers once, closes. It knows nothing of the
// server: the server hands it the head's time limit and a function that turns a request line into
// the answer.
class StandinConnection : public QObject
{
public:
    using Answering = std::function<StandinAnswer(const QByteArray &requestLine)>;

    // Request heads larger than this are refused with 400 and the connection is closed.
    static constexpr int maxHeadBytes = 16 * 1024;

    StandinConnection(QObject *parent, QTcpSocket *socket, int headTimeoutMs, Answering answering);
    ~StandinConnection() override;

private:
    enum State { ReadingHead, Delaying, Writing, Dripping, Silent, Closing };

    void onReadyRead();
    void respond(const StandinAnswer &answer);
    void pump();
    void drip();
    void close();
    void finishClose();
    void onTimeout();

    QTcpSocket *m_socket;
    Answering m_answering;
    QTimer m_timer; // the head's time limit, later the limit on a lingering close
    QTimer m_dripTimer;
    QByteArray m_head;
    int m_scanFrom = 0;
    State m_state = ReadingHead;
    bool m_shutDown = false;
    QByteArray m_filler; // whole units of padding, written a chunk at a time
    qint64 m_unitSize = 1;
    qint64 m_paddingLeft = 0; // < 0: endless
    QByteArray m_suffix;
    QByteArray m_dripUnit;
};
