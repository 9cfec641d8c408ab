// Builds, writes and announces the window-identification report.
#include "app/ProbeReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

namespace ProbeReport
{

QString reportText(const QList<SlideFinder::Result> &candidates, const QDateTime &now)
{
    QString text =
        QStringLiteral("Podivex 窗口识别诊断  ") + now.toString(Qt::ISODate) + QLatin1Char('\n');
    text += QStringLiteral("判定阈值：60（达到即认定为放映窗口）\n\n");
    for (const SlideFinder::Result &r : candidates) {
        text += QStringLiteral("评分 %1\n").arg(r.score, 4);
        text += QStringLiteral("  标题: ") +
                (r.title.isEmpty() ? QStringLiteral("(无标题)") : r.title) + QLatin1Char('\n');
        text += QStringLiteral("  类名: ") + r.className + QLatin1Char('\n');
        text += QStringLiteral("  进程: ") + r.processName + QLatin1Char('\n');
        text += QStringLiteral("  命中: ") + r.hits + QStringLiteral("\n\n");
    }
    return text;
}

QString writeReport(const QString &text)
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/probe.txt");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
    return path;
}

int run()
{
    const QString path =
        writeReport(reportText(SlideFinder::probeAll({}, kLimit), QDateTime::currentDateTime()));
    const QString verdict = SlideFinder::describe(SlideFinder::find({}));
    QMessageBox::information(nullptr, QStringLiteral("窗口识别诊断"),
                             QStringLiteral("报告已写入：\n%1\n\n最终判定：\n%2")
                                 .arg(QDir::toNativeSeparators(path), verdict),
                             QMessageBox::Ok, QMessageBox::NoButton);
    return 0;
}

} // namespace ProbeReport
