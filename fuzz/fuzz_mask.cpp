// Any bytes as a mask file beside a valid container: decoding returns a
// status, and gives the same pixels on a heap filled with 0x00 and with 0xff,
// so no pixel comes from memory the decoder did not write. Where QImage
// decodes the whole file by itself too, the pixels are the grey levels of
// that decoding (qtDecoding), so that rows read in the wrong order or a
// palette misread show. Decoded at the object's size, as compilation reads
// it, a mask gives the pixels the editor shows. A compilation either writes
// exactly those pixels over the object's pixel block and nothing else, or
// refuses, naming the mask file, and leaves SHPI.DAT byte for byte as it was.

#include "fuzzsupport.h"

#include "masks/compilemasks.h"
#include "masks/maskbitmap.h"
#include "store/littleendian.h"
#include "store/loadshpi.h"

#include <sanitizer/allocator_interface.h>

#include <array>
#include <bit>
#include <cstring>

using namespace tolvane;
using namespace tolvane::fuzz;

namespace {

const QString MaskName = QStringLiteral("SHPI0001.BMP");

struct Dashboard
{
    QByteArray container;
    ShpiTables tables;
    int width = 0, height = 0; // of object 1, whose mask the input is
    qsizetype pixelsAt = 0;    // where its pixel block starts in the file
};

const Dashboard &dashboard()
{
    static const Dashboard d = [] {
        Dashboard d;
        const testing_support::ContainerBuilder example = testing_support::exampleContainer();
        d.container = example.build();
        d.width = example.objects[1].width;
        d.height = example.objects[1].height;
        // Object 1 is the last: only the tail follows its pixels.
        d.pixelsAt = d.container.size() - example.tail.size() - qsizetype(d.width) * d.height;
        putExtracted(d.container, d.tables);
        return d;
    }();
    return d;
}

// The byte every block the allocator hands out is filled with, or -1.
int heapFill = -1;

void fillBlock(const volatile void *block, size_t size)
{
    if (heapFill >= 0)
        std::memset(const_cast<void *>(block), heapFill, size);
}

void leaveFreedBlock(const volatile void *) {}

// Decodes, at @p objectSize as compilation does or at the file's own size as
// the editor does, on a heap filled with @p fill; the pixels on success.
std::optional<MaskPixels> decodeOnHeap(const QByteArray &file, std::optional<QSize> objectSize, int fill)
{
    MaskPixels mask;
    heapFill = fill;
    const Status s = decodeMaskBitmap(MaskName, file, objectSize, &mask);
    heapFill = -1;
    if (!s) {
        checkRefusal(s, MaskName);
        return std::nullopt;
    }
    FUZZ_CHECK(!objectSize || mask.size == *objectSize, QStringLiteral("decoded at another size"));
    FUZZ_CHECK(mask.levels.size() == qsizetype(mask.size.width()) * mask.size.height(),
               QString::number(mask.levels.size()));
    return mask;
}

// Decodes twice: a pixel that no decoder wrote differs between the two heaps.
std::optional<MaskPixels> decode(const QByteArray &file, std::optional<QSize> objectSize)
{
    const std::optional<MaskPixels> mask = decodeOnHeap(file, objectSize, 0x00);
    const std::optional<MaskPixels> again = decodeOnHeap(file, objectSize, 0xff);
    FUZZ_CHECK(mask.has_value() == again.has_value() && (!mask || mask->levels == again->levels),
               QStringLiteral("the decoded pixels depend on what the heap held"));
    return mask;
}

// The red, green and blue masks of 16-bit and bit-field pixels, which follow
// the first 40 bytes of the info header; none for other pixels.
std::array<quint32, 3> channelMasks(const QByteArray &file)
{
    const char *b = file.constData();
    if (file.size() < 34 || le::readInt32(b + 14) == 12) // OS/2 pixels have 8-bit channels or a palette
        return {};
    if (le::readInt32(b + 30) == 3)
        return file.size() < 66 ? std::array<quint32, 3>{}
                                : std::array{quint32(le::readInt32(b + 54)), quint32(le::readInt32(b + 58)),
                                             quint32(le::readInt32(b + 62))};
    return le::readInt16(b + 28) == 16 ? std::array<quint32, 3>{0x7c00, 0x03e0, 0x001f} : std::array<quint32, 3>{};
}

// A channel level as Tolvane gives it: a channel of L + 1 < 256 values, which
// QImage gives as v * (256 / (L + 1)), is v * 255 / L to the nearest integer.
int channelLevel(int level, quint32 mask)
{
    const quint32 largest = mask ? mask >> std::countr_zero(mask) : 255;
    if (largest >= 255)
        return level;
    const int v = level / int(256 / (largest + 1));
    return int((2 * 255 * quint32(v) + largest) / (2 * largest));
}

// The mask as QImage decodes the whole file by itself, bottom row first:
// each pixel's level is qGray of its colour, the one grey rule. Where the
// file leaves a pixel open, Tolvane has decided, and so does this decoding:
// pixels that run-length data skips are index 0 (QImage leaves them as the
// heap had them, and it runs on a heap of zeros); narrow channels are scaled
// as channelLevel() says.
std::optional<QByteArray> qtDecoding(const QByteArray &file, QSize size)
{
    heapFill = 0x00;
    QImage picture = QImage::fromData(file, "BMP");
    heapFill = -1;
    if (picture.size() != size)
        return std::nullopt;
    picture = picture.convertToFormat(QImage::Format_RGB32);
    const std::array<quint32, 3> masks = channelMasks(file);
    QByteArray levels;
    for (int y = size.height() - 1; y >= 0; --y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            levels += char(qGray(channelLevel(qRed(c), masks[0]), channelLevel(qGreen(c), masks[1]),
                                 channelLevel(qBlue(c), masks[2])));
        }
    return levels;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQt(argc, argv);
    if (!__sanitizer_install_malloc_and_free_hooks(fillBlock, leaveFreedBlock))
        failed("install the heap filling", QString(), __LINE__);
    dashboard();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Dashboard &d = dashboard();
    const QByteArray file = inputBytes(data, size);

    // At its own size, as the editor shows it, so that other sizes are tried
    // too; then at the object's, as compilation reads it.
    const std::optional<MaskPixels> shown = decode(file, std::nullopt);
    if (shown) {
        const std::optional<QByteArray> independent = qtDecoding(file, shown->size);
        FUZZ_CHECK(!independent || *independent == shown->levels,
                   QStringLiteral("the pixels differ from QImage's own decoding of the file"));
    }
    const std::optional<MaskPixels> pixels = decode(file, QSize(d.width, d.height));
    FUZZ_CHECK(!pixels || (shown && pixels->levels == shown->levels),
               QStringLiteral("compilation and the editor decode the mask apart"));

    put(scratchFile(QStringLiteral("SHPI.DAT")), d.container);
    put(scratchFile(MaskName), file);
    ShpiTables tables = d.tables;
    Silent out;
    const Status s = CompileMasks(scratchDirectory(), out, tables);
    const QByteArray after = testing_support::readFile(scratchFile(QStringLiteral("SHPI.DAT")));
    if (!s) {
        checkRefusal(s, MaskName);
        FUZZ_CHECK(!pixels, QStringLiteral("decoded, yet compilation refused: ") + s.message());
        FUZZ_CHECK(after == d.container, s.message());
        FUZZ_CHECK(tableBytes(tables) == tableBytes(d.tables), s.message());
        return 0;
    }
    FUZZ_CHECK(pixels, QStringLiteral("compiled a mask that does not decode"));
    QByteArray expected = d.container;
    expected.replace(d.pixelsAt, pixels->levels.size(), pixels->levels);
    FUZZ_CHECK(after == expected, QStringLiteral("bytes outside the object's pixel block changed"));
    return 0;
}
