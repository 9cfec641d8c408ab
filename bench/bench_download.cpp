// Resident memory growth while a 200 MB installer downloads from a local server.
#include "TestServer.h"
#include "update/Updater.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace
{

constexpr qint64 kInstallerSize = 200LL * 1024 * 1024;

// Resident set size in bytes from /proc; 0 where that is not available.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * 4096;
}

// The digest of the server's filler body of kInstallerSize bytes.
QString fillerSha256()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QByteArray megabyte(1024 * 1024, 'x');
    for (qint64 done = 0; done < kInstallerSize; done += megabyte.size())
        hash.addData(megabyte);
    return QString::fromLatin1(hash.result().toHex());
}

void BM_DownloadInstaller(benchmark::State &state)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    TestServer server;
    if (!server.listen()) {
        state.SkipWithError("no local server");
        return;
    }
    server.setAnswer("/setup.exe", {200, {}, kInstallerSize});
    Updater::Info info;
    info.version = QStringLiteral("9.9");
    info.url = server.url(QStringLiteral("/setup.exe")).toString();
    info.sha256 = fillerSha256();

    qint64 growth = 0;
    for (auto _ : state) {
        Updater updater;
        const qint64 before = residentBytes();
        qint64 peak = before;
        int lastPercent = -1;
        QObject::connect(&updater, &Updater::progress, &updater, [&](int percent, const QString &) {
            if (percent != lastPercent)
                peak = qMax(peak, residentBytes());
            lastPercent = percent;
        });
        QString outcome;
        QObject::connect(&updater, &Updater::finished, &updater, [&](bool, const QString &message) {
            outcome = message;
            peak = qMax(peak, residentBytes());
            QCoreApplication::exit(0);
        });
        updater.apply(info);
        QCoreApplication::exec();
        // The filler bytes are no program: a verified file ends at the installer start.
        if (outcome != QStringLiteral("无法启动安装程序")) {
            state.SkipWithError(qPrintable(outcome));
            return;
        }
        growth = qMax(growth, peak - before);
    }
    state.SetBytesProcessed(state.iterations() * kInstallerSize);
    state.counters["rss_growth_MB"] = double(growth) / (1024.0 * 1024.0);
}
BENCHMARK(BM_DownloadInstaller)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
