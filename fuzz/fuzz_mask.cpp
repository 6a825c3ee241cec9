// Any bytes as a mask file beside a valid container: decoding returns a
// status, and gives the same pixels on a heap filled with 0x00 and with 0xff,
// so no pixel comes from memory the decoder did not write; a compilation
// either writes exactly the decoded pixels over the object's pixel block and
// nothing else, or refuses, naming the mask file, and leaves SHPI.DAT byte
// for byte as it was.

#include "fuzzsupport.h"

#include "masks/compilemasks.h"
#include "masks/maskbitmap.h"
#include "store/littleendian.h"
#include "store/loadshpi.h"

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <cstdlib>
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

// Decodes at @p width x @p height on a heap filled with @p fill; the pixels on success.
std::optional<QByteArray> decodeOnHeap(const QByteArray &file, int width, int height, int fill)
{
    QByteArray pixels;
    MaskBitmapHeader header;
    BmpPalette palette{};
    heapFill = fill;
    const Status s = decodeMaskBitmap(MaskName, file, width, height, &pixels, &header, &palette);
    heapFill = -1;
    if (!s) {
        checkRefusal(s, MaskName);
        return std::nullopt;
    }
    FUZZ_CHECK(pixels.size() == qsizetype(width) * height, QString::number(pixels.size()));
    return pixels;
}

// Decodes twice: a pixel that no decoder wrote differs between the two heaps.
std::optional<QByteArray> decode(const QByteArray &file, int width, int height)
{
    const std::optional<QByteArray> pixels = decodeOnHeap(file, width, height, 0x00);
    FUZZ_CHECK(pixels == decodeOnHeap(file, width, height, 0xff),
               QStringLiteral("the decoded pixels depend on what the heap held"));
    return pixels;
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

    // At the size the bitmap claims, too, so that other sizes are tried.
    if (file.size() >= 26) {
        const auto claimed = [&](int at) {
            return std::clamp(std::abs(qint64(le::readInt32(file.constData() + at))), qint64(1), qint64(32767));
        };
        decode(file, int(claimed(18)), int(claimed(22)));
    }
    const std::optional<QByteArray> pixels = decode(file, d.width, d.height);

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
    expected.replace(d.pixelsAt, pixels->size(), *pixels);
    FUZZ_CHECK(after == expected, QStringLiteral("bytes outside the object's pixel block changed"));
    return 0;
}
