// Reading pixmaps through a memory segment shared with a local X server, so that a 4K picture does
// not stream through the socket. Leaves out remote servers, which cannot share memory: there it
// reads nothing and the caller reads over the connection. The segment, as large as the largest
// picture so far, stays attached until the reader ends.
#pragma once

#include <QImage>
#include <QRect>

#include <optional>
#include <xcb/xcb.h>

namespace x11
{

// Copies 32-bit pixels with the top byte set: depth 24 leaves it undefined, depth 32 may be
// translucent. The two may be the same buffer.
void copyOpaque(const void *from, void *to, qsizetype pixels);

class SharedReader
{
public:
    explicit SharedReader(xcb_connection_t *conn) : conn(conn) {}
    ~SharedReader();
    SharedReader(const SharedReader &) = delete;
    SharedReader &operator=(const SharedReader &) = delete;

    // The area of a pixmap of 32 bits per pixel as an opaque RGB32 image; null when the server
    // does not share memory with this process or the read fails.
    QImage read(xcb_pixmap_t pixmap, const QRect &area, uint8_t depth);

private:
    bool usable();
    bool reserve(size_t size);
    void release();

    xcb_connection_t *const conn;
    std::optional<bool> shares;
    uint32_t segment = 0; // an xcb_shm_seg_t
    void *data = nullptr;
    size_t bytes = 0;
};

} // namespace x11
