#include "standinserver.h"

StandinServer::StandinServer(QObject *parent) : QTcpServer(parent) { }
void StandinServer::setSamplesDir(const QString &) { }
void StandinServer::setFixedReply(const QByteArray &, const QByteArray &) { }
void StandinServer::setFailure(Failure, int) { }
void StandinServer::setPadTo(qint64) { }
QList<QByteArray> StandinServer::requestLines() const { return {}; }
void StandinServer::incomingConnection(qintptr) { }
