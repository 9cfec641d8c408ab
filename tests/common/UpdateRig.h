// An updater beside a local server with its signals recorded in order, the program run as a
// process, and private folders for settings and temporary files. No real update server is used.
#pragma once

#include "TestServer.h"
#include "update/Updater.h"

#include <QtTest>

struct UpdateRig {
    UpdateRig()
    {
        QObject::connect(&updater, &Updater::prompt, [this](const Updater::Info &i, bool forced) {
            events << QStringLiteral("prompt %1 forced=%2").arg(i.version).arg(forced);
        });
        QObject::connect(&updater, &Updater::status,
                         [this](QString t) { events << "status " + t; });
        QObject::connect(&updater, &Updater::finished, [this](bool ok, const QString &message) {
            events << QStringLiteral("finished %1 %2").arg(ok).arg(message);
        });
    }
    // One check to its finished, and a little longer, so that a stray second one would show.
    bool check(const QString &path, bool manual = true)
    {
        const auto finished = [this] { return events.filter("finished ").size(); };
        const int before = finished();
        updater.setManifestUrl(server.url(path).toString());
        updater.check(manual);
        return QTest::qWaitFor([&] { return finished() > before; }, 20000) &&
               !QTest::qWaitFor([&] { return finished() > before + 1; }, 50);
    }

    // A manifest offering version 2.0; keys in extra override the earlier ones.
    static QByteArray manifest(const QString &url, const QByteArray &sha256, const char *extra = "")
    {
        return QStringLiteral("{\"version\":\"2.0\",\"url\":\"%1\",\"sha256\":\"%2\"%3}")
            .arg(url, sha256, extra)
            .toUtf8();
    }
    static void usePrivateFolders(const QString &root)
    {
        QCoreApplication::setOrganizationName("Quillmere");
        QCoreApplication::setApplicationName("Podivex");
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR"})
            qputenv(name, QString(root + '/' + name).toLocal8Bit());
    }
    // Output and exit code, -2 for a crash; the event loop runs meanwhile, for the servers here.
    static QPair<QByteArray, int> run(const QStringList &args,
                                      const QString &program = PODIVEX_BINARY_DIR "/Podivex")
    {
        QProcess process;
        process.start(program, args);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000))
            process.kill();
        process.waitForFinished();
        const bool crashed = process.exitStatus() == QProcess::CrashExit;
        return {process.readAllStandardOutput(), crashed ? -2 : process.exitCode()};
    }
    static bool writeFile(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        return QDir().mkpath(QFileInfo(file).path()) && f.open(QIODevice::WriteOnly) &&
               f.write(bytes) == bytes.size();
    }
    static QByteArray readFile(const QString &file) // "-" when it cannot be read
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("-");
    }

    TestServer server;
    Updater updater;
    QStringList events;
};
