// One memory file, kept attached to the server between pictures and grown when a larger one comes:
// a fresh segment per picture costs more in page faults than the socket it saves.
#include "platform/x11/SharedImageX11.h"

#include "platform/x11/XcbConnectionX11.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/shm.h>

namespace x11
{

void copyOpaque(const void *from, void *to, qsizetype pixels)
{
    const auto *source = static_cast<const uint32_t *>(from);
    auto *target = static_cast<uint32_t *>(to);
    for (qsizetype i = 0; i < pixels; ++i)
        target[i] = source[i] | 0xff000000u;
}

SharedReader::~SharedReader()
{
    release();
}

// File descriptors pass only over a local socket; sending one elsewhere would break the
// connection.
bool SharedReader::usable()
{
    if (shares)
        return *shares;
    shares = false;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(xcb_get_file_descriptor(conn), reinterpret_cast<sockaddr *>(&address),
                    &length) != 0 ||
        address.ss_family != AF_UNIX)
        return false;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(conn, &xcb_shm_id);
    if (!ext || !ext->present)
        return false;
    Reply<xcb_shm_query_version_reply_t> version(
        xcb_shm_query_version_reply(conn, xcb_shm_query_version(conn), nullptr));
    // Segments from file descriptors came with 1.2.
    shares = version && (version->major_version > 1 ||
                         (version->major_version == 1 && version->minor_version >= 2));
    return *shares;
}

bool SharedReader::reserve(size_t size)
{
    if (size <= bytes)
        return true;
    release();
    const int fd = memfd_create("podivex-capture", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    void *mapped = MAP_FAILED;
    if (ftruncate(fd, off_t(size)) == 0)
        mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        close(fd);
        return false;
    }
    const xcb_shm_seg_t id = xcb_generate_id(conn);
    Reply<xcb_generic_error_t> error(
        xcb_request_check(conn, xcb_shm_attach_fd_checked(conn, id, fd, 0))); // xcb closes fd
    if (error) {
        munmap(mapped, size);
        return false;
    }
    segment = id;
    data = mapped;
    bytes = size;
    return true;
}

void SharedReader::release()
{
    if (!data)
        return;
    xcb_shm_detach(conn, segment);
    xcb_flush(conn);
    munmap(data, bytes);
    data = nullptr;
    bytes = 0;
}

QImage SharedReader::read(xcb_pixmap_t pixmap, const QRect &area, uint8_t depth)
{
    const qsizetype pixels = qsizetype(area.width()) * area.height();
    if (area.isEmpty() || !usable() || !reserve(size_t(pixels) * 4))
        return QImage();
    Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        conn,
        xcb_shm_get_image(conn, pixmap, int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        nullptr));
    if (!reply || reply->depth != depth || reply->size < size_t(pixels) * 4)
        return QImage();
    QImage image(area.size(), QImage::Format_RGB32);
    if (!image.isNull())
        copyOpaque(data, image.bits(), pixels);
    return image;
}

} // namespace x11
