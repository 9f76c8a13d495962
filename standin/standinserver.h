#pragma once

#include <QTcpServer>

class StandinServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit StandinServer(QObject *parent = nullptr);
};
