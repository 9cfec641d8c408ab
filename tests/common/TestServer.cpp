// Serves canned HTTP answers on the loopback interface, over TCP or TLS.
#include "TestServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <memory>

namespace
{

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kHighWater = 256 * 1024;
constexpr int kResetDelayMs = 150;

// What still has to be sent of a streamed body.
struct Stream {
    qint64 offset = 0;
    qint64 end = 0;
    TestServer::Ending ending = TestServer::Ending::Complete;
    bool ended = false;
};

// Tops up the socket's write buffer from the generated body, then ends the connection as asked.
void pump(QTcpSocket *socket, Stream &stream)
{
    while (stream.offset < stream.end && socket->bytesToWrite() < kHighWater) {
        const qint64 length = qMin(kChunk, stream.end - stream.offset);
        socket->write(TestServer::generatedBytes(stream.offset, length));
        stream.offset += length;
    }
    if (stream.offset < stream.end || stream.ended)
        return;
    stream.ended = true;
    if (stream.ending == TestServer::Ending::Reset) {
        // Give the peer time to receive the first half before the reset discards it.
        QTimer::singleShot(kResetDelayMs, socket, [socket] { socket->abort(); });
        return;
    }
    socket->disconnectFromHost();
}

} // namespace

TestServer::TestServer(QObject *parent) : QObject(parent) {}

TestServer::~TestServer() = default;

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
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    auto *server = new QSslServer(this);
    server->setSslConfiguration(config);
    m_tls = true;
    return listenOn(server);
}

bool TestServer::listenOn(QTcpServer *server)
{
    m_server = server;
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &TestServer::accept);
    return m_server->listen(QHostAddress::LocalHost);
}

void TestServer::answerUnread(const Answer &answer)
{
    m_answerUnread = true;
    m_unreadAnswer = answer;
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

void TestServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        if (m_answerUnread) {
            // Qt stops taking data from the system at this buffer size, so the request stays
            // unread there and closing the socket resets the connection.
            socket->setReadBufferSize(1);
            respond(socket, m_unreadAnswer);
            continue;
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        readRequest(socket);
    }
}

void TestServer::readRequest(QTcpSocket *socket)
{
    const QByteArray buffered = socket->peek(socket->bytesAvailable());
    const int end = buffered.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    socket->read(end + 4);
    const QList<QByteArray> lines = buffered.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    const QByteArray target = first.value(1);
    const int mark = target.indexOf('?');
    Request request;
    request.path = mark < 0 ? target : target.left(mark);
    request.query = mark < 0 ? QByteArray() : target.mid(mark + 1);
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
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) +
                      " Test\r\nContent-Length: " + QByteArray::number(length) +
                      "\r\nConnection: close\r\n";
    for (const auto &header : answer.headers)
        head += header.first + ": " + header.second + "\r\n";
    socket->write(head + "\r\n");
    const qint64 send = answer.ending == Ending::Complete ? length : length / 2;
    if (answer.generatedSize < 0)
        socket->write(answer.body.left(send));
    auto stream =
        std::make_shared<Stream>(Stream{answer.generatedSize < 0 ? send : 0, send, answer.ending});
    connect(socket, &QTcpSocket::bytesWritten, this, [socket, stream] { pump(socket, *stream); });
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
    for (qint64 offset = 0; offset < size; offset += kChunk * 16)
        hash.addData(generatedBytes(offset, qMin(kChunk * 16, size - offset)));
    return hash.result().toHex();
}

bool TestServer::makeCertificate(const QString &dir, QString *certFile, QString *keyFile)
{
    *certFile = dir + QStringLiteral("/cert.pem");
    *keyFile = dir + QStringLiteral("/key.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                                 "-addext subjectAltName=IP:127.0.0.1 -keyout")
                          .split(QLatin1Char(' '))
                      << *keyFile << QStringLiteral("-out") << *certFile);
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}
