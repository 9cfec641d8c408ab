// A misbehaving HTTP server on 127.0.0.1: canned or filler bodies streamed as the socket drains,
// answers that stall, stop half-way or never end, and a record of the request targets. No TLS.
#pragma once

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

class TestServer
{
public:
    enum class Ending { Complete, Stall, CutOff, Endless };

    // fillerSize >= 0 sends that many 'x' in place of the body; CutOff stops half-way, Endless
    // sends a chunked body without end.
    struct Answer {
        int status = 200;
        QByteArray body = {};
        qint64 fillerSize = -1;
        Ending ending = Ending::Complete;
    };

    bool listen()
    {
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] { respond(socket); });
        });
        return m_server.listen(QHostAddress::LocalHost);
    }
    void setAnswer(const QByteArray &path, const Answer &answer) { m_answers.insert(path, answer); }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    QList<QByteArray> requests; // the request targets, path and query

private:
    void respond(QTcpSocket *socket)
    {
        const int end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray target = socket->read(end + 4).split(' ').value(1);
        requests << target;
        const Answer a = m_answers.value(target.split('?').value(0), Answer{404});
        if (a.ending == Ending::Stall)
            return;
        const bool endless = a.ending == Ending::Endless;
        const qint64 length = a.fillerSize >= 0 ? a.fillerSize : a.body.size();
        const qint64 stop = endless ? LLONG_MAX : a.ending == Ending::CutOff ? length / 2 : length;
        socket->write("HTTP/1.1 " + QByteArray::number(a.status) + " Test\r\n" +
                      (endless ? QByteArray("Transfer-Encoding: chunked\r\n\r\n")
                               : "Content-Length: " + QByteArray::number(length) + "\r\n\r\n"));
        auto offset = std::make_shared<qint64>(0);
        const auto pump = [=] {
            while (*offset < stop && socket->bytesToWrite() < kChunk * 4) {
                const qint64 n = qMin(kChunk, stop - *offset);
                const QByteArray bytes =
                    a.fillerSize >= 0 ? QByteArray(n, 'x') : a.body.mid(*offset, n);
                socket->write(endless ? QByteArray::number(n, 16) + "\r\n" + bytes + "\r\n"
                                      : bytes);
                *offset += n;
            }
            if (*offset >= stop)
                socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
        pump();
    }

    static constexpr qint64 kChunk = 64 * 1024;
    QTcpServer m_server;
    QHash<QByteArray, Answer> m_answers;
};
