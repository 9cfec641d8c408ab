// Reading a redirected window's pixmap into an image, through memory shared with a local server
// or else over the connection. Leaves out scaling: window pixels are physical already.
#include "platform/x11/CaptureX11.h"

#include <xcb/composite.h>

namespace x11
{
namespace
{

constexpr uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;

const xcb_visualtype_t *findVisual(xcb_connection_t *conn, xcb_visualid_t id)
{
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(conn)); screen.rem;
         xcb_screen_next(&screen)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth)) {
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem;
                 xcb_visualtype_next(&visual)) {
                if (visual.data->visual_id == id)
                    return visual.data;
            }
        }
    }
    return nullptr;
}

int bitsPerPixel(xcb_connection_t *conn, uint8_t depth)
{
    const xcb_setup_t *setup = xcb_get_setup(conn);
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem;
         xcb_format_next(&format)) {
        if (format.data->depth == depth)
            return format.data->bits_per_pixel;
    }
    return 0;
}

// Whether ZPixmap data of this depth and visual reads as 0x??RRGGBB words on this host.
bool readsAsRgb32(xcb_connection_t *conn, uint8_t depth, xcb_visualid_t visualId)
{
    const xcb_visualtype_t *visual = findVisual(conn, visualId);
    const uint8_t hostOrder =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    return (depth == 24 || depth == 32) && bitsPerPixel(conn, depth) == 32 && visual &&
           visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR && visual->red_mask == kRed &&
           visual->green_mask == kGreen && visual->blue_mask == kBlue &&
           xcb_get_setup(conn)->image_byte_order == hostOrder;
}

// Over the connection: the image keeps the reply's buffer rather than copying it once more.
QImage readCopied(xcb_connection_t *conn, xcb_pixmap_t pixmap, const QRect &area, uint8_t depth)
{
    Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        conn,
        xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, int16_t(area.x()), int16_t(area.y()),
                      uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr));
    const qsizetype pixels = qsizetype(area.width()) * area.height();
    if (!reply || reply->depth != depth || xcb_get_image_data_length(reply.get()) < pixels * 4)
        return QImage();
    void *data = xcb_get_image_data(reply.get());
    copyOpaque(data, data, pixels);
    return QImage(static_cast<uchar *>(data), area.width(), area.height(), area.width() * 4,
                  QImage::Format_RGB32, std::free, reply.release());
}

} // namespace

WindowCapture::WindowCapture(const Connection &c, bool mayShareMemory) : c(c)
{
    if (mayShareMemory)
        shared = std::make_unique<SharedReader>(c.get());
}

// Asked at first use: most runs never take a picture.
bool WindowCapture::available()
{
    if (supported)
        return *supported;
    supported = false;
    const xcb_query_extension_reply_t *ext =
        c.isOpen() ? xcb_get_extension_data(c.get(), &xcb_composite_id) : nullptr;
    if (!ext || !ext->present)
        return false;
    Reply<xcb_composite_query_version_reply_t> version(xcb_composite_query_version_reply(
        c.get(), xcb_composite_query_version(c.get(), 0, 2), nullptr));
    // Naming a window's pixmap came with 0.2.
    supported = version && (version->major_version > 0 || version->minor_version >= 2);
    return *supported;
}

void WindowCapture::prepare(xcb_window_t w)
{
    if (w == XCB_NONE || !available() || redirected.contains(w))
        return;
    Reply<xcb_generic_error_t> error(xcb_request_check(
        c.get(),
        xcb_composite_redirect_window_checked(c.get(), w, XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    if (error)
        return;
    redirected.insert(w);
    // The new pixmap starts as a copy of the screen, which may hold a software cursor or whatever
    // covered the window; an exposure of the whole window has its program paint it afresh.
    xcb_clear_area(c.get(), 1, w, 0, 0, 0, 0);
    c.flush();
}

QImage WindowCapture::capture(xcb_window_t w)
{
    prepare(w);
    if (!redirected.contains(w))
        return QImage();
    xcb_connection_t *conn = c.get();
    const auto attributesCookie = xcb_get_window_attributes(conn, w);
    const auto geometryCookie = xcb_get_geometry(conn, w);
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(conn, attributesCookie, nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(conn, geometryCookie, nullptr));
    if (!attributes || !geometry) {
        redirected.remove(w); // gone; its id may come back for another window
        return QImage();
    }
    // Only a viewable window has a pixmap; the format check keeps the conversion below honest.
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        !readsAsRgb32(conn, geometry->depth, attributes->visual))
        return QImage();

    // The pixmap's own size counts, not the window's: a resize in between gives a new pixmap,
    // and the named one stays valid until freed.
    const xcb_pixmap_t pixmap = xcb_generate_id(conn);
    const auto named = xcb_composite_name_window_pixmap_checked(conn, w, pixmap);
    Reply<xcb_get_geometry_reply_t> size(
        xcb_get_geometry_reply(conn, xcb_get_geometry(conn, pixmap), nullptr));
    Reply<xcb_generic_error_t> error(xcb_request_check(conn, named));
    if (error)
        return QImage();
    const int border = geometry->border_width;
    const QRect area(border, border, size ? size->width - 2 * border : 0,
                     size ? size->height - 2 * border : 0);
    QImage picture;
    if (!area.isEmpty()) {
        if (shared)
            picture = shared->read(pixmap, area, geometry->depth);
        if (picture.isNull())
            picture = readCopied(conn, pixmap, area, geometry->depth);
    }
    xcb_free_pixmap(conn, pixmap);
    xcb_flush(conn);
    return picture;
}

} // namespace x11
