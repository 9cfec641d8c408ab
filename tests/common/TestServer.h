// A misbehaving HTTP or HTTPS server on 127.0.0.1: canned or filler bodies, answers that stall,
// stop half-way or never end, and a record of the request targets.
#pragma once

#include <QHash>
#include <QObject>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

class TestServer : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Complete, Stall, CutOff, Endless };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // fillerSize >= 0 sends that many 'x' in place of the body, streamed as the socket drains;
    // CutOff stops half-way, Endless sends a chunked body without end.
    struct Answer {
        Answer(int status = 200, const QByteArray &body = {}, qint64 fillerSize = -1,
               const Headers &headers = {}, Ending ending = Ending::Complete)
            : status(status), body(body), fillerSize(fillerSize), headers(headers), ending(ending)
        {
        }
        int status;
        QByteArray body;
        qint64 fillerSize;
        Headers headers;
        Ending ending;
    };

    // HTTPS with a self-signed certificate for 127.0.0.1, made with openssl in dir, when dir is
    // given; that certificate is then trusted by default.
    bool listen(const QString &dir = {});
    void setAnswer(const QByteArray &path, const Answer &answer) { m_answers.insert(path, answer); }
    QUrl url(const QString &pathAndQuery) const;

    QList<QByteArray> requests; // the request targets, path and query

private:
    void readRequest(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    QHash<QByteArray, Answer> m_answers;
};
