// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPError.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>

QZPError::QZPError(const QString& domain, int code, const QVariantMap& userInfo)
    : m_domain(domain), m_code(code), m_userInfo(userInfo) {}

QZPError QZPError::make(const QString& domain, int code, const QString& description,
                        const QString& failureReason, const QString& recoverySuggestion) {
    QVariantMap info;
    if (!description.isEmpty())
        info.insert(DescriptionKey, description);
    if (!failureReason.isEmpty())
        info.insert(FailureReasonKey, failureReason);
    if (!recoverySuggestion.isEmpty())
        info.insert(RecoverySuggestionKey, recoverySuggestion);
    return QZPError(domain, code, info);
}

int QZPError::fileCodeForErrno(int posixErrno) {
    switch (posixErrno) {
    case ENOENT:
    case ENOTDIR:
        return FileNoSuchFile;
    case EEXIST:
    case ENOTEMPTY:
        return FileWriteFileExists;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileWriteNoPermission;
    case ENOSPC:
    case EDQUOT:
        return FileWriteOutOfSpace;
    default:
        return FileWriteUnknown;
    }
}

QZPError QZPError::fromErrno(int posixErrno, const QString& path, const QString& description) {
    QZPError error = make(FileDomain, fileCodeForErrno(posixErrno), description,
                          QString::fromLocal8Bit(std::strerror(posixErrno)) + QLatin1Char('.'));
    error.m_userInfo.insert(FilePathKey, path);
    error.m_userInfo.insert(UnderlyingErrnoKey, posixErrno);
    return error;
}

QString QZPError::localizedDescription() const {
    const QString text = m_userInfo.value(DescriptionKey).toString();
    if (!text.isEmpty())
        return text;
    return QCoreApplication::translate("QZPError", "The operation couldn’t be completed. (%1 error %2.)")
        .arg(m_domain)
        .arg(m_code);
}

QString QZPError::localizedFailureReason() const {
    return m_userInfo.value(FailureReasonKey).toString();
}

QString QZPError::localizedRecoverySuggestion() const {
    return m_userInfo.value(RecoverySuggestionKey).toString();
}

QString QZPError::fullText() const {
    QStringList parts{localizedDescription()};
    for (const QString& extra : {localizedFailureReason(), localizedRecoverySuggestion()})
        if (!extra.isEmpty())
            parts << extra;
    return parts.join(QLatin1Char(' '));
}
