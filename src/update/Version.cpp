// Version comparison without a fixed-width integer, so that no part can overflow to 0; and the
// build's version. Nothing here reads files or the network.
#include "update/Version.h"

#include <QStringList>

namespace
{

// One part as a sign and its digits without leading zeros; anything else is the number 0.
struct Part {
    bool negative = false;
    QString digits;
};

Part readPart(const QString &text)
{
    QString s = text.trimmed();
    Part part;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
        part.negative = s.front() == QLatin1Char('-');
        s.remove(0, 1);
    }
    if (s.isEmpty())
        return {};
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    int zeros = 0;
    while (zeros < s.size() && s.at(zeros) == QLatin1Char('0'))
        ++zeros;
    part.digits = s.mid(zeros);
    part.negative = part.negative && !part.digits.isEmpty();
    return part;
}

int compareParts(const Part &x, const Part &y)
{
    if (x.negative != y.negative)
        return x.negative ? -1 : 1;
    int magnitude = 0;
    if (x.digits.size() != y.digits.size())
        magnitude = x.digits.size() < y.digits.size() ? -1 : 1;
    else
        magnitude = qBound(-1, x.digits.compare(y.digits), 1);
    return x.negative ? -magnitude : magnitude;
}

} // namespace

namespace Version
{

QString local()
{
    return QStringLiteral(PODIVEX_VERSION);
}

int compare(const QString &a, const QString &b)
{
    const QStringList pa = a.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const QStringList pb = b.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const int n = qMax(pa.size(), pb.size());
    for (int i = 0; i < n; ++i) {
        const int order = compareParts(readPart(pa.value(i)), readPart(pb.value(i)));
        if (order != 0)
            return order;
    }
    return 0;
}

} // namespace Version
