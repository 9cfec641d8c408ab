// A misbehaving HTTP and HTTPS server on 127.0.0.1: canned, generated, stalled, cut-off, reset or
// endless answers, and a record of the requests.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

class TestServer : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Complete, Stall, CutOff, Reset, Endless };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // A generatedSize >= 0 sends that many generatedBytes() in place of the body; CutOff and
    // Reset stop half-way, Endless streams a chunked body without end.
    struct Answer {
        Answer(int status = 200, const QByteArray &body = {}, qint64 generatedSize = -1,
               const Headers &headers = {}, Ending ending = Ending::Complete)
            : status(status), body(body), generatedSize(generatedSize), headers(headers),
              ending(ending)
        {
        }
        int status;
        QByteArray body;
        qint64 generatedSize;
        Headers headers;
        Ending ending;
    };

    struct Request {
        QByteArray path;
        QByteArray query;
        QHash<QByteArray, QByteArray> headers; // names lower-cased
    };

    explicit TestServer(QObject *parent = nullptr);

    bool listen();
    bool listenTls(const QString &certFile, const QString &keyFile);
    void setAnswer(const QByteArray &path, const Answer &answer);
    QUrl url(const QString &pathAndQuery) const;
    const QList<Request> &requests() const { return m_requests; }

    static QByteArray generatedBytes(qint64 offset, qint64 length);
    static QByteArray generatedSha256(qint64 size);
    // A self-signed certificate for 127.0.0.1 made with openssl; false when that fails.
    static bool makeCertificate(const QString &dir, QString *certFile, QString *keyFile);

private:
    bool listenOn(QTcpServer *server);
    void readRequest(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Answer &answer);

    QTcpServer *m_server = nullptr;
    bool m_tls = false;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
};
