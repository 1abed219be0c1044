// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantMap>

// An error as the user sees it: domain, code, localised texts, and extra information.
// A default-constructed error is "no error".
class QZPError {
public:
    // The program's own domain.
    static constexpr const char* ToneBenchDomain = "com.quorlane.tonebench.errordomain";
    // File-system errors, with the codes the file move queue branches on.
    static constexpr const char* FileDomain = "com.quorlane.tonebench.file";

    enum FileCode {
        FileNoSuchFile = 4,
        FileReadUnknown = 256,
        FileReadNoPermission = 257,
        FileWriteUnknown = 512,
        FileWriteNoPermission = 513,
        FileWriteFileExists = 516,
        FileWriteOutOfSpace = 640,
    };

    // Keys of userInfo().
    static constexpr const char* DescriptionKey = "NSLocalizedDescription";
    static constexpr const char* FailureReasonKey = "NSLocalizedFailureReason";
    static constexpr const char* RecoverySuggestionKey = "NSLocalizedRecoverySuggestion";
    static constexpr const char* FilePathKey = "NSFilePath";
    static constexpr const char* UnderlyingErrnoKey = "QZPUnderlyingErrno";

    QZPError() = default;
    QZPError(const QString& domain, int code, const QVariantMap& userInfo = {});
    static QZPError make(const QString& domain, int code, const QString& description,
                         const QString& failureReason = {}, const QString& recoverySuggestion = {});
    // A file-system error for errno `posixErrno` about `path`, with the given description;
    // the failure reason is the system's text for the errno.
    static QZPError fromErrno(int posixErrno, const QString& path, const QString& description);
    static int fileCodeForErrno(int posixErrno);

    bool isNull() const { return m_domain.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    const QVariantMap& userInfo() const { return m_userInfo; }
    QString localizedDescription() const;
    QString localizedFailureReason() const;
    QString localizedRecoverySuggestion() const;

    // Description, failure reason and recovery suggestion joined into one line.
    QString fullText() const;

private:
    QString m_domain;
    int m_code = 0;
    QVariantMap m_userInfo;
};

// Stores `error` into `out` when the caller asked for it.
inline void qzpSetError(QZPError* out, const QZPError& error) {
    if (out)
        *out = error;
}
