#pragma once

// A file's or directory's access list on Windows, read and set in the
// security descriptor language ("D:P(A;;FA;;;OW)").

#include <QDir>
#include <QString>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace testing_support {

/// The access list of @p path; empty when it cannot be read.
inline QString accessList(const QString &path)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    wchar_t *text = nullptr;
    QString list;
    if (GetNamedSecurityInfoW(QDir::toNativeSeparators(path).toStdWString().c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &sd) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             nullptr))
        list = QString::fromWCharArray(text);
    LocalFree(text);
    LocalFree(sd);
    return list;
}

/// Gives @p path the access list @p sddl, not inherited from its directory.
inline bool setAccessList(const QString &path, const QString &sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.toStdWString().c_str(), SDDL_REVISION_1,
                                                                          &sd, nullptr) &&
                     GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted) &&
                     SetNamedSecurityInfoW(native.data(), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, acl, nullptr) == ERROR_SUCCESS;
    LocalFree(sd);
    return set;
}

} // namespace testing_support
