// A misbehaving HTTP or HTTPS server on 127.0.0.1: canned or generated bodies, answers that stall,
// stop half-way or never end, and a record of the request targets.
#pragma once

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
    enum class Ending { Complete, Stall, CutOff, Endless };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // generatedSize >= 0 sends that many generatedBytes() in place of the body; CutOff stops
    // half-way, Endless sends a chunked body without end.
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

    // HTTPS when a PEM certificate and key are given.
    bool listen(const QString &certFile = {}, const QString &keyFile = {});
    void setAnswer(const QByteArray &path, const Answer &answer) { m_answers.insert(path, answer); }
    QUrl url(const QString &pathAndQuery) const;

    static QByteArray generatedBytes(qint64 offset, qint64 length);
    static QByteArray generatedSha256(qint64 size);
    // A self-signed certificate for 127.0.0.1 made with openssl.
    static bool makeCertificate(const QString &dir, QString *certFile, QString *keyFile);

    QList<QByteArray> requests; // the request targets, path and query

private:
    void readRequest(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    QHash<QByteArray, Answer> m_answers;
};
