#include "runlengthbitmap.h"

#include "store/littleendian.h"

#include <algorithm>

namespace tolvane {

Status expandRunLengths(const QString &fileName, const QByteArray &file, const BitmapLayout &layout,
                        QByteArray *plainFile)
{
    const int width = layout.size.width();
    const int height = layout.size.height();
    const qint64 stride = (qint64(width) + 3) / 4 * 4;
    QByteArray rows(stride * height, '\0');
    const bool nibbles = layout.compression == 2; // RLE4: two pixels a byte, the high nibble first
    const auto *data = reinterpret_cast<const uchar *>(file.constData());
    // No further than the layout allows, so that a file read only that far decodes alike.
    const qint64 end = std::min(file.size(), layout.pixelOffset + layout.pixelBytes);

    qint64 at = layout.pixelOffset;
    const auto fault = [&](const char *what) {
        return Status::fileError(fileName, QStringLiteral("its run-length data %1 (byte %2)")
                                               .arg(QLatin1String(what)).arg(at));
    };
    const char *const endsEarly = "ends before its end-of-bitmap code";
    const char *const passesEdge = "passes the edge of the picture";
    int x = 0;
    int y = 0; // counted from the bottom row, which comes first
    for (;;) {
        if (at + 2 > end)
            return fault(endsEarly);
        const int count = data[at];
        const int code = data[at + 1];
        if (count > 0 || code > 2) {
            // An encoded run repeats the byte `code`; an absolute run of
            // `code` pixels gives them in the bytes that follow, padded to
            // an even number of bytes.
            const bool absolute = count == 0;
            const int pixels = absolute ? code : count;
            const qint64 bytes = absolute ? ((nibbles ? (pixels + 1) / 2 : pixels) + 1) / 2 * 2 : 0;
            if (at + 2 + bytes > end)
                return fault(endsEarly);
            if (y >= height || x + pixels > width)
                return fault(passesEdge);
            char *out = rows.data() + y * stride + x;
            for (int k = 0; k < pixels; ++k) {
                const uchar byte = absolute ? data[at + 2 + (nibbles ? k / 2 : k)] : uchar(code);
                out[k] = char(!nibbles ? byte : k % 2 ? byte & 0x0f : byte >> 4);
            }
            x += pixels;
            at += 2 + bytes;
        } else if (code == 0) { // end of line
            x = 0;
            if (++y > height)
                return fault(passesEdge);
            at += 2;
        } else if (code == 1) { // end of bitmap
            break;
        } else { // delta: right and up by the next two bytes
            if (at + 4 > end)
                return fault(endsEarly);
            x += data[at + 2];
            y += data[at + 3];
            if (x > width || y > height)
                return fault(passesEdge);
            at += 4;
        }
    }

    // The headers and colour table as they are, saying plain 8-bit rows.
    QByteArray plain = file.left(layout.tableEnd) + rows;
    char *h = plain.data();
    le::writeInt32(h + 2, int32_t(plain.size()));
    le::writeInt32(h + 10, int32_t(layout.tableEnd));
    le::writeInt16(h + 28, 8);
    le::writeInt32(h + 30, 0);
    le::writeInt32(h + 34, int32_t(rows.size()));
    le::writeInt32(h + 46, layout.colourCount);
    *plainFile = std::move(plain);
    return Status::success();
}

} // namespace tolvane
