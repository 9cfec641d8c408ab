// Serves canned HTTP answers on the loopback interface, over TCP or TLS; bodies are streamed as
// the socket drains, so that a huge or endless one costs no memory here.
#include "TestServer.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>

#include <memory>

namespace
{

constexpr qint64 kChunk = 64 * 1024;

// Tops up the socket's write buffer from offset up to end, then closes the connection.
void pump(QTcpSocket *socket, const TestServer::Answer &answer, qint64 &offset, qint64 end)
{
    const bool endless = answer.ending == TestServer::Ending::Endless;
    while ((endless || offset < end) && socket->bytesToWrite() < 4 * kChunk) {
        const qint64 length = endless ? kChunk : qMin(kChunk, end - offset);
        const QByteArray bytes =
            answer.fillerSize >= 0 ? QByteArray(length, 'x') : answer.body.mid(offset, length);
        socket->write(endless ? QByteArray::number(length, 16) + "\r\n" + bytes + "\r\n" : bytes);
        offset += length;
    }
    if (!endless && offset >= end)
        socket->disconnectFromHost();
}

} // namespace

bool TestServer::listen(const QString &dir)
{
    m_server = new QTcpServer(this);
    if (!dir.isEmpty()) {
        const QString key = dir + "/key.pem";
        const QString cert = dir + "/cert.pem";
        QProcess::execute("openssl",
                          {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                           "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=127.0.0.1",
                           "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert});
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificates(cert);
        QSslConfiguration::setDefaultConfiguration(config);
        config.setLocalCertificateChain(QSslCertificate::fromPath(cert));
        QFile keyFile(key);
        keyFile.open(QIODevice::ReadOnly);
        config.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
        auto *tls = new QSslServer(this);
        tls->setSslConfiguration(config);
        delete std::exchange(m_server, tls);
    }
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            readRequest(socket);
        }
    });
    return m_server->listen(QHostAddress::LocalHost);
}

QUrl TestServer::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(qobject_cast<QSslServer *>(m_server) ? "https" : "http")
                    .arg(m_server->serverPort())
                    .arg(pathAndQuery));
}

void TestServer::readRequest(QTcpSocket *socket)
{
    const int end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray target = socket->read(end + 4).split(' ').value(1);
    requests << target;
    const Answer answer = m_answers.value(target.split('?').value(0), Answer{404});
    if (answer.ending == Ending::Stall)
        return;
    const qint64 length = answer.fillerSize >= 0 ? answer.fillerSize : answer.body.size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Test\r\n";
    head += answer.ending == Ending::Endless
                ? QByteArray("Transfer-Encoding: chunked\r\n")
                : "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n";
    for (const auto &[name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    const qint64 stop = answer.ending == Ending::CutOff ? length / 2 : length;
    auto offset = std::make_shared<qint64>(0);
    connect(socket, &QTcpSocket::bytesWritten, socket,
            [=] { pump(socket, answer, *offset, stop); });
    pump(socket, answer, *offset, stop);
}
