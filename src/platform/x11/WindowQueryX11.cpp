// Window descriptions read from X properties and geometry, the requests for all windows sent at
// once.
#include "platform/x11/WindowQueryX11.h"

#include <QFile>
#include <QHash>

#include <unistd.h>

namespace x11
{
namespace
{

constexpr int kTextLimit = 511; // what a Windows window text holds
constexpr quint32 kMotifDecorationsFlag = 1u << 1;
constexpr quint32 kMotifDecorAll = 1u << 0;
constexpr quint32 kMotifDecorTitle = 1u << 3;

QString cut(QString text)
{
    if (text.size() > kTextLimit) {
        text.truncate(kTextLimit);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QString decodeText(const Connection &c, const Property &p)
{
    QByteArray bytes = p.data;
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    if (p.type == c.atom(Utf8String))
        return QString::fromUtf8(bytes);
    if (p.type == XCB_ATOM_STRING)
        return QString::fromLatin1(bytes);
    return QString::fromLocal8Bit(bytes); // COMPOUND_TEXT and the like: the best guess at hand
}

QString pickTitle(const Connection &c, const Property &netName, const Property &name)
{
    const QString modern = decodeText(c, netName);
    return cut(modern.isEmpty() ? decodeText(c, name) : modern);
}

// WM_CLASS holds "instance\0class\0".
QString pickClass(const Property &wmClass)
{
    const QList<QByteArray> parts = wmClass.data.split('\0');
    return parts.size() > 1 ? cut(QString::fromLocal8Bit(parts.at(1))) : QString();
}

QList<quint32> toNumbers(const Property &p)
{
    QList<quint32> values;
    const int count = int(p.data.size() / 4);
    const auto *data = reinterpret_cast<const quint32 *>(p.data.constData());
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

// The three answers that place a window's frame on the root.
struct FrameQuery {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t extents;

    FrameQuery(const Connection &c, xcb_window_t w)
        : geometry(xcb_get_geometry(c.get(), w)),
          origin(xcb_translate_coordinates(c.get(), w, c.root(), 0, 0)),
          extents(c.requestProperty(w, NetFrameExtents, XCB_ATOM_CARDINAL, 4))
    {
    }

    QRect take(const Connection &c) const
    {
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c.get(), geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> o(
            xcb_translate_coordinates_reply(c.get(), origin, nullptr));
        QList<quint32> e = c.takeNumbers(extents);
        if (!g || !o)
            return QRect();
        if (e.size() != 4)
            e = {0, 0, 0, 0}; // left, right, top, bottom: no frame without a window manager
        const int border = g->border_width;
        return QRect(o->dst_x - border - int(e[0]), o->dst_y - border - int(e[2]),
                     g->width + 2 * border + int(e[0] + e[1]),
                     g->height + 2 * border + int(e[2] + e[3]));
    }
};

// Everything one record needs, requested together so that many windows share the round trips.
struct WindowQuery {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
    FrameQuery frame;
    xcb_get_property_cookie_t netName, name, wmClass, pid, state, motif, type;

    WindowQuery(const Connection &c, xcb_window_t w)
        : window(w), attributes(xcb_get_window_attributes(c.get(), w)), frame(c, w),
          netName(c.requestProperty(w, NetWmName)),
          name(c.requestProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 2048)),
          wmClass(c.requestProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256)),
          pid(c.requestProperty(w, NetWmPid, XCB_ATOM_CARDINAL, 1)),
          state(c.requestProperty(w, NetWmState, XCB_ATOM_ATOM, 64)),
          motif(c.requestProperty(w, MotifWmHints, XCB_ATOM_ANY, 5)),
          type(c.requestProperty(w, NetWmWindowType, XCB_ATOM_ATOM, 16))
    {
    }

    // Every reply is collected, also for a window that is skipped, so that none is left queued.
    bool take(const Connection &c, QHash<unsigned, QString> *processNames,
              win::WindowInfo *info) const
    {
        Reply<xcb_get_window_attributes_reply_t> attrs(
            xcb_get_window_attributes_reply(c.get(), attributes, nullptr));
        const QRect physical = frame.take(c);
        const Property netNameValue = c.takeProperty(netName);
        const Property nameValue = c.takeProperty(name);
        const Property classValue = c.takeProperty(wmClass);
        const QList<quint32> pidValue = c.takeNumbers(pid);
        const States states = statesOf(c, c.takeNumbers(state));
        const QList<quint32> motifValue = toNumbers(c.takeProperty(motif));
        const QList<quint32> types = c.takeNumbers(type);

        if (!attrs || attrs->override_redirect)
            return false;
        // Unmapped windows are skipped like invisible ones on Windows, iconified ones are kept.
        if (attrs->map_state != XCB_MAP_STATE_VIEWABLE && !states.hidden)
            return false;

        info->handle = toHandle(window);
        info->title = pickTitle(c, netNameValue, nameValue);
        info->className = pickClass(classValue);
        info->pid = pidValue.isEmpty() ? 0 : pidValue.first();
        auto known = processNames->constFind(info->pid);
        if (known == processNames->constEnd())
            known = processNames->insert(info->pid, processName(info->pid));
        info->processName = *known;
        if (physical.isValid())
            info->rect =
                win::scaledRect(physical.left(), physical.top(), physical.x() + physical.width(),
                                physical.y() + physical.height());
        info->visible = true;
        info->minimized = states.hidden;
        const bool motifUndecorated = motifValue.size() >= 3 &&
                                      (motifValue[0] & kMotifDecorationsFlag) &&
                                      !(motifValue[2] & (kMotifDecorAll | kMotifDecorTitle));
        const bool bareType = types.contains(c.atom(NetWmWindowTypeDock)) ||
                              types.contains(c.atom(NetWmWindowTypeDesktop)) ||
                              types.contains(c.atom(NetWmWindowTypeSplash));
        info->flags.setFlag(win::WindowFlag::Caption,
                            !(states.fullscreen || motifUndecorated || bareType));
        info->flags.setFlag(win::WindowFlag::TopMost, states.above);
        info->flags.setFlag(win::WindowFlag::ToolWindow,
                            states.skipTaskbar || types.contains(c.atom(NetWmWindowTypeUtility)));
        return true;
    }
};

} // namespace

win::Handle toHandle(xcb_window_t w)
{
    return reinterpret_cast<win::Handle>(quintptr(w));
}
xcb_window_t toWindow(win::Handle h)
{
    return xcb_window_t(reinterpret_cast<quintptr>(h));
}

States statesOf(const Connection &c, const QList<quint32> &atoms)
{
    States s;
    s.above = atoms.contains(c.atom(NetWmStateAbove));
    s.hidden = atoms.contains(c.atom(NetWmStateHidden));
    s.fullscreen = atoms.contains(c.atom(NetWmStateFullscreen));
    s.skipTaskbar = atoms.contains(c.atom(NetWmStateSkipTaskbar));
    return s;
}

QString titleOf(const Connection &c, xcb_window_t w)
{
    const xcb_get_property_cookie_t netName = c.requestProperty(w, NetWmName);
    const xcb_get_property_cookie_t name =
        c.requestProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 2048);
    const Property netNameValue = c.takeProperty(netName);
    return pickTitle(c, netNameValue, c.takeProperty(name));
}

QString classOf(const Connection &c, xcb_window_t w)
{
    return pickClass(c.takeProperty(c.requestProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256)));
}

QRect frameOf(const Connection &c, xcb_window_t w)
{
    return FrameQuery(c, w).take(c);
}

QString processName(unsigned pid)
{
    if (pid == 0)
        return QString();
    char target[4096];
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length <= 0)
        return QString();
    QString path = QFile::decodeName(QByteArray(target, int(length)));
    const QString replaced = QStringLiteral(" (deleted)"); // the executable was updated meanwhile
    if (path.endsWith(replaced))
        path.chop(replaced.size());
    const int cutAt =
        int(qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))));
    return path.mid(cutAt + 1).toUpper();
}

QList<win::WindowInfo> describe(const Connection &c, const QVector<xcb_window_t> &windows)
{
    std::vector<WindowQuery> queries;
    queries.reserve(size_t(windows.size()));
    for (xcb_window_t w : windows)
        queries.emplace_back(c, w);
    QList<win::WindowInfo> result;
    QHash<unsigned, QString> processNames; // a program's windows share one executable
    for (const WindowQuery &query : queries) {
        win::WindowInfo info;
        if (query.take(c, &processNames, &info))
            result.append(info);
    }
    return result;
}

} // namespace x11
