// A small HTTP and HTTPS server on 127.0.0.1 with canned, streamed or broken answers.
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
    enum class Ending {
        Complete, // the whole body, then a graceful close
        Stall,    // the request is never answered
        CutOff,   // half of the body, then a graceful close
        Reset,    // half of the body, then the connection is reset with the request still unread
    };

    struct Answer {
        Answer(int status = 200, const QByteArray &body = {}, qint64 generatedSize = -1,
               const QList<QPair<QByteArray, QByteArray>> &headers = {},
               Ending ending = Ending::Complete)
            : status(status), body(body), generatedSize(generatedSize), headers(headers),
              ending(ending)
        {
        }
        int status;
        QByteArray body;
        qint64 generatedSize; // when >= 0: a body of generatedBytes() streamed as it drains
        QList<QPair<QByteArray, QByteArray>> headers;
        Ending ending;
    };

    struct Request {
        QByteArray path;
        QByteArray query;
        QHash<QByteArray, QByteArray> headers; // names lower-cased
    };

    explicit TestServer(QObject *parent = nullptr);
    ~TestServer() override;

    // Plain HTTP, or HTTPS with the given PEM certificate and key.
    bool listen();
    bool listenTls(const QString &certFile, const QString &keyFile);
    // Every connection gets this answer without its request being read (for a true reset).
    void answerUnread(const Answer &answer);

    void setAnswer(const QByteArray &path, const Answer &answer);
    QUrl url(const QString &pathAndQuery) const;
    const QList<Request> &requests() const { return m_requests; }

    // The deterministic content of generated bodies, and its SHA-256 as lower-case hex.
    static QByteArray generatedBytes(qint64 offset, qint64 length);
    static QByteArray generatedSha256(qint64 size);
    // A self-signed certificate for 127.0.0.1 made with openssl; false when openssl is missing.
    static bool makeCertificate(const QString &dir, QString *certFile, QString *keyFile);

private:
    bool listenOn(QTcpServer *server);
    void accept();
    void readRequest(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Answer &answer);

    QTcpServer *m_server = nullptr;
    bool m_tls = false;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
    bool m_answerUnread = false;
    Answer m_unreadAnswer;
};
