#pragma once

// Links made as another program makes them, on either system.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

/// A symbolic link at @p link to @p target. False where the system makes
/// none (wine says it made one, and did not).
inline bool makeSymbolicLink(const QString &target, const QString &link)
{
#ifdef Q_OS_WIN
    const DWORD kind = QFileInfo(target).isDir() ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    const std::wstring from = QDir::toNativeSeparators(link).toStdWString();
    return CreateSymbolicLinkW(from.c_str(), QDir::toNativeSeparators(target).toStdWString().c_str(),
                               kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
           GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
#endif
}

/// A second name @p link for the file @p existing.
inline bool makeHardLink(const QString &existing, const QString &link)
{
#ifdef Q_OS_WIN
    return CreateHardLinkW(QDir::toNativeSeparators(link).toStdWString().c_str(),
                           QDir::toNativeSeparators(existing).toStdWString().c_str(), nullptr);
#else
    return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) == 0;
#endif
}

} // namespace testing_support

/// For a test whose subject is a symbolic link: skipped on a system that
/// makes none, a failure anywhere else.
#ifdef Q_OS_WIN
#define REQUIRE_SYMBOLIC_LINK(target, link)                                                                    \
    do {                                                                                                       \
        if (!testing_support::makeSymbolicLink(target, link))                                                  \
            QSKIP("this system makes no symbolic links");                                                       \
    } while (false)
#else
#define REQUIRE_SYMBOLIC_LINK(target, link) QVERIFY(testing_support::makeSymbolicLink(target, link))
#endif
