// Serves canned HTTP answers on the loopback interface, over TCP or TLS; bodies are streamed as
// the socket drains, so that a huge or endless one costs no memory here.
#include "TestServer.h"

#include <QCryptographicHash>
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
        const QByteArray bytes = answer.generatedSize >= 0
                                     ? TestServer::generatedBytes(offset, length)
                                     : answer.body.mid(int(offset), int(length));
        socket->write(endless ? QByteArray::number(length, 16) + "\r\n" + bytes + "\r\n" : bytes);
        offset += length;
    }
    if (!endless && offset >= end)
        socket->disconnectFromHost();
}

} // namespace

bool TestServer::listen(const QString &certFile, const QString &keyFile)
{
    m_server = new QTcpServer(this);
    if (!certFile.isEmpty()) {
        QFile cert(certFile);
        QFile key(keyFile);
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return false;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(&cert, QSsl::Pem));
        config.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
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
                    .arg(QLatin1String(qobject_cast<QSslServer *>(m_server) ? "https" : "http"))
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
    const qint64 length = answer.generatedSize >= 0 ? answer.generatedSize : answer.body.size();
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

QByteArray TestServer::generatedBytes(qint64 offset, qint64 length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        bytes[i] = char(((offset + i) * 131 + ((offset + i) >> 13)) & 0xff);
    return bytes;
}

QByteArray TestServer::generatedSha256(qint64 size)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qint64 offset = 0; offset < size; offset += kChunk)
        hash.addData(generatedBytes(offset, qMin(kChunk, size - offset)));
    return hash.result().toHex();
}

bool TestServer::makeCertificate(const QString &dir, QString *certFile, QString *keyFile)
{
    *certFile = dir + QStringLiteral("/cert.pem");
    *keyFile = dir + QStringLiteral("/key.pem");
    QProcess openssl;
    openssl.setStandardErrorFile(QProcess::nullDevice());
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                              "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                              "-keyout", *keyFile, "-out", *certFile});
    return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
}
