#include "standinserver.h"

StandinServer::StandinServer(QObject *parent)
    : QTcpServer(parent)
{ }
