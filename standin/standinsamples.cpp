// SPDX-License-Identifier: MIT
#include "standinsamples.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Only a plain name may become a file name: nothing like "../" ever reaches the file system.
const QRegularExpression plainCardName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));

// The service's answer for a card it has no insured person for.
QByteArray unknownCardBody(const QByteArray &card)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<validation-horizontale version=\"2.3\" statut=\"60\" langue=\"1\" type=\"STPLUS\">\n"
           "  <carte numero=\""
           + card
           + "\"/>\n"
             "  <message>Zu dieser Karte ist keine versicherte Person verzeichnet.</message>\n"
             "</validation-horizontale>\n";
}

} // namespace

namespace StandinSamples {

QString defaultDir()
{
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                          .filePath(QStringLiteral(HIN_STANDIN_INSTALLED_SAMPLES));
        if (QFileInfo(installed).isDir())
            return QDir::cleanPath(installed);
    }
    return QStringLiteral(HIN_STANDIN_SOURCE_SAMPLES);
}

bool replyBody(const QString &dir, const QByteArray &card, QByteArray &body)
{
    const bool plain = plainCardName.match(QString::fromLatin1(card)).hasMatch();
    if (plain) {
        QFile file(QDir(dir).filePath(QString::fromLatin1(card + ".xml")));
        if (QFileInfo(file).isFile()) {
            if (!file.open(QIODevice::ReadOnly))
                return false;
            body = file.readAll();
            return true;
        }
    }
    body = unknownCardBody(plain ? card : QByteArray());
    return true;
}

} // namespace StandinSamples
