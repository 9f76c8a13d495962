// SPDX-License-Identifier: MIT
// The least a Qt 5 Widgets program must do for this job: create the application, show one
// message box, send one GET through the HIN Client's proxy, print what came back, quit. The
// benchmark measures the tool against it.

#include <QApplication>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;

    QMessageBox box;
    box.setText(QStringLiteral("Bitte warten ..."));
    box.setStandardButtons(QMessageBox::NoButton);
    box.show();

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 5016));
    const QUrl url(QStringLiteral("http://cardservice.example/tarvik/servlet/"
                                  "ch.ofac.ca.tarvik.CaValidationHorizontale"
                                  "?type=XML&langue=1&carte=%1&ReturnType=STPLUS")
                           .arg(QString::fromLocal8Bit(argv[1])));
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::finished, &app, [reply] {
        const QByteArray body = reply->readAll();
        std::fwrite(body.constData(), 1, size_t(body.size()), stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
