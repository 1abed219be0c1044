// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPFileMoveOperation.h"

#include "model/QZPFileSystem.h"
#include "model/QZPInvalidParameter.h"

#include <QDir>
#include <QFileInfo>

QZPFileMoveOperation::QZPFileMoveOperation() : m_fileSystem(QZPFileSystem::standard()) {}

std::shared_ptr<QZPFileMoveOperation>
QZPFileMoveOperation::operationWithOperation(const QZPFileMoveOperation& other) {
    auto copy = std::make_shared<QZPFileMoveOperation>();
    copy->m_createMissingDirectories = other.m_createMissingDirectories;
    copy->m_createUniqueNames = other.m_createUniqueNames;
    copy->m_unlockFiles = other.m_unlockFiles;
    copy->m_sourceURL = other.m_sourceURL;
    copy->m_destinationURL = other.m_destinationURL;
    copy->m_completionBlock = other.m_completionBlock;
    copy->m_fileSystem = other.m_fileSystem;
    return copy;
}

QString QZPFileMoveOperation::numberedPath(const QString& path, int n) {
    const QFileInfo file(path);
    const QString extension = file.suffix();
    const QString baseName = extension.isEmpty() ? file.fileName() : file.completeBaseName();
    QString name = QStringLiteral("%1 %2").arg(baseName).arg(n);
    if (!extension.isEmpty())
        name += QLatin1Char('.') + extension;
    return QDir(file.absolutePath()).filePath(name);
}

bool QZPFileMoveOperation::staysOnVolume() const {
    return m_fileSystem->isSameVolume(m_sourceURL.toLocalFile(), m_destinationURL.toLocalFile());
}

void QZPFileMoveOperation::main() {
    performMove();
    m_finished = true;
    if (m_completionBlock)
        m_completionBlock(*this);
}

void QZPFileMoveOperation::performMove() {
    QZP_PRECONDITION(!m_sourceURL.isEmpty(), "_sourceURL");
    QZP_PRECONDITION(!m_destinationURL.isEmpty(), "_destinationURL");
    m_needsSandboxAccess = false;
    QZPError error;
    m_moveSucceeded =
        m_fileSystem->moveItem(m_sourceURL.toLocalFile(), m_destinationURL.toLocalFile(), &error);
    if (m_moveSucceeded) {
        m_finalURL = m_destinationURL;
        return;
    }
    m_moveError = error;
    switch (error.code()) {
    case QZPError::FileNoSuchFile:
        handleNoSuchFileError();
        break;
    case QZPError::FileWriteFileExists:
        handleFileWriteFileExistsError();
        break;
    case QZPError::FileWriteNoPermission:
        handleFileWriteNoPermissionError();
        break;
    default:
        break;
    }
}

void QZPFileMoveOperation::handleNoSuchFileError() {
    // The folder is created and the move repeated once; a second no-such-file means the source is gone.
    if (!m_createMissingDirectories || m_createdDirectories)
        return;
    QZPError error;
    const QString folder = QFileInfo(m_destinationURL.toLocalFile()).absolutePath();
    if (m_fileSystem->createDirectory(folder, &error)) {
        m_createdDirectories = true;
        performMove();
    } else if (error.code() == QZPError::FileWriteNoPermission) {
        m_needsSandboxAccess = true;
    }
}

void QZPFileMoveOperation::handleFileWriteNoPermissionError() {
    if (!m_unlockFiles)
        return;
    const QString source = m_sourceURL.toLocalFile();
    const std::optional<unsigned> flags = m_fileSystem->fileFlags(source);
    if (flags && (*flags & QZPFileSystem::UserImmutableFlag)) {
        if (m_fileSystem->clearFileFlags(source, nullptr))
            performMove();
        return;
    }
    m_needsSandboxAccess = true;
}

void QZPFileMoveOperation::handleFileWriteFileExistsError() {
    if (!m_createUniqueNames)
        return;
    const QFileInfo destination(m_destinationURL.toLocalFile());
    const QString sourcePath = QFileInfo(m_sourceURL.toLocalFile()).absoluteFilePath();

    QString candidate;
    QZPError lastError;
    for (int n = 2; n <= LastUniqueNumber; ++n) {
        candidate = numberedPath(destination.absoluteFilePath(), n);
        if (candidate == sourcePath) {
            m_moveSucceeded = true;
            break;
        }
        lastError = QZPError();
        m_moveSucceeded = m_fileSystem->moveItem(sourcePath, candidate, &lastError);
        if (m_moveSucceeded || lastError.domain() != QLatin1String(QZPError::FileDomain) ||
            lastError.code() != QZPError::FileWriteFileExists)
            break;
    }

    if (m_moveSucceeded) {
        m_finalURL = QUrl::fromLocalFile(candidate);
        // A change of letter case only, refused by a file system that ignores case: the file now has a
        // temporary numbered name, from which it moves to the requested one.
        if (sourcePath.compare(destination.absoluteFilePath(), Qt::CaseInsensitive) == 0) {
            m_sourceURL = m_finalURL;
            performMove();
        }
    } else if (lastError.code() == QZPError::FileWriteNoPermission) {
        m_needsSandboxAccess = true;
    }
}
