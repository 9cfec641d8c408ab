// Serves canned HTTP answers on the loopback interface, over TCP or TLS; bodies are streamed as
// the socket drains, so that a huge or endless one costs no memory here.
#include "TestServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTimer>

#include <memory>

namespace
{

constexpr qint64 kChunk = 64 * 1024;

struct Stream {
    qint64 offset = 0;
    qint64 end = 0;
    TestServer::Answer answer;
    bool ended = false;
};

// Tops up the socket's write buffer, then ends the connection as the answer asks.
void pump(QTcpSocket *socket, Stream &s)
{
    const bool chunked = s.answer.ending == TestServer::Ending::Endless;
    while ((chunked || s.offset < s.end) && socket->bytesToWrite() < 4 * kChunk) {
        const qint64 length = chunked ? kChunk : qMin(kChunk, s.end - s.offset);
        const QByteArray bytes = s.answer.generatedSize >= 0
                                     ? TestServer::generatedBytes(s.offset, length)
                                     : s.answer.body.mid(int(s.offset), int(length));
        socket->write(chunked ? QByteArray::number(length, 16) + "\r\n" + bytes + "\r\n" : bytes);
        s.offset += length;
    }
    if (chunked || s.offset < s.end || std::exchange(s.ended, true))
        return;
    if (s.answer.ending == TestServer::Ending::Reset)
        QTimer::singleShot(150, socket, [socket] { socket->abort(); });
    else
        socket->disconnectFromHost();
}

} // namespace

TestServer::TestServer(QObject *parent) : QObject(parent) {}

bool TestServer::listen()
{
    return listenOn(new QTcpServer(this));
}

bool TestServer::listenTls(const QString &certFile, const QString &keyFile)
{
    QFile cert(certFile);
    QFile key(keyFile);
    if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate(&cert, QSsl::Pem));
    config.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
    auto *server = new QSslServer(this);
    server->setSslConfiguration(config);
    m_tls = true;
    return listenOn(server);
}

bool TestServer::listenOn(QTcpServer *server)
{
    m_server = server;
    connect(server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            readRequest(socket);
        }
    });
    return server->listen(QHostAddress::LocalHost);
}

void TestServer::setAnswer(const QByteArray &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

QUrl TestServer::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(QLatin1String(m_tls ? "https" : "http"))
                    .arg(m_server->serverPort())
                    .arg(pathAndQuery));
}

void TestServer::readRequest(QTcpSocket *socket)
{
    const QByteArray buffered = socket->peek(socket->bytesAvailable());
    const int end = buffered.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    socket->read(end + 4);
    const QList<QByteArray> lines = buffered.left(end).split('\n');
    const QByteArray target = lines.value(0).split(' ').value(1);
    const int mark = target.indexOf('?');
    Request request{target.left(mark < 0 ? target.size() : mark),
                    mark < 0 ? QByteArray() : target.mid(mark + 1),
                    {}};
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
    }
    m_requests.append(request);
    respond(socket, m_answers.value(request.path, Answer{404, "not found"}));
}

void TestServer::respond(QTcpSocket *socket, const Answer &answer)
{
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
    const bool half = answer.ending == Ending::CutOff || answer.ending == Ending::Reset;
    auto stream = std::make_shared<Stream>(Stream{0, half ? length / 2 : length, answer, false});
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket, stream] { pump(socket, *stream); });
    pump(socket, *stream);
}

QByteArray TestServer::generatedBytes(qint64 offset, qint64 length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i) {
        const quint64 at = quint64(offset + i);
        bytes[i] = char((at * 131u + (at >> 13)) & 0xffu);
    }
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
    QStringList args = QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
                                      "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1")
                           .split(QLatin1Char(' '));
    args << QStringLiteral("-keyout") << *keyFile << QStringLiteral("-out") << *certFile;
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    openssl.setStandardOutputFile(QProcess::nullDevice());
    openssl.start(QStringLiteral("openssl"), args);
    return openssl.waitForFinished(30000) && openssl.exitCode() == 0;
}
