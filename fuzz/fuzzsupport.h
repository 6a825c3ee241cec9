#pragma once

// What the harnesses share: one scratch dashboard directory per fuzzing
// process, a printer that discards, and the checks that every run makes. A
// failed check aborts, so libFuzzer keeps the input that broke it.

#include "common/containerbuilder.h"
#include "common/snapshots.h"

#include "masks/extractmasks.h"
#include "store/printtarget.h"
#include "store/shpitables.h"
#include "store/status.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tolvane::fuzz {

using testing_support::tableBytes;

class Silent : public PrintTarget
{
public:
    using PrintTarget::print;
    void print(const QString &, LineEnd) override {}
};

[[noreturn]] inline void failed(const char *check, const QString &detail, int line)
{
    std::fprintf(stderr, "fuzz check failed at line %d: %s\n%s\n", line, check, qPrintable(detail));
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                   \
    do {                                                                \
        if (!(condition))                                               \
            ::tolvane::fuzz::failed(#condition, (detail), __LINE__);    \
    } while (false)

/// Qt wants an application object before files and pictures are touched.
inline void startQt(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
}

/// The dashboard directory of this fuzzing process, removed at exit.
inline const QString &scratchDirectory()
{
    static const auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tolvane-fuzz-XXXXXX"));
    static const QString path = dir->path();
    if (!dir->isValid())
        failed("scratch directory", dir->errorString(), __LINE__);
    return path;
}

inline QString scratchFile(const QString &name)
{
    return scratchDirectory() + QLatin1Char('/') + name;
}

inline QByteArray inputBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline void put(const QString &path, const QByteArray &bytes)
{
    if (!testing_support::writeFile(path, bytes))
        failed("write the input", path, __LINE__);
}

/// The file names in the scratch directory, so that a stray temporary file shows.
inline QStringList scratchFiles()
{
    return QDir(scratchDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                              QDir::Name);
}

/// Puts @p container into the scratch directory as SHPI.DAT and extracts its
/// masks beside it, which loads @p tables.
inline void putExtracted(const QByteArray &container, ShpiTables &tables)
{
    put(scratchFile(QStringLiteral("SHPI.DAT")), container);
    Silent out;
    if (Status s = ExtractMasks(scratchDirectory(), out, tables); !s)
        failed("extract the masks of a valid container", s.message(), __LINE__);
}

/// A refusal must say which file it is about.
inline void checkRefusal(const Status &status, const QString &fileName)
{
    FUZZ_CHECK(status.message().contains(fileName), status.message());
}

} // namespace tolvane::fuzz
