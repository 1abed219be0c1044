// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPErrorSolver.h"

#include "model/QZPInvalidParameter.h"

#include <QCoreApplication>

std::shared_ptr<QZPErrorSolver> QZPErrorSolver::solverWithError(const QZPError& error) {
    return std::make_shared<QZPErrorSolver>(error);
}

void QZPErrorSolver::addRecoveryOptionWithLocalizedTitle(const QString& localizedTitle,
                                                         RecoveryBlock recoveryBlock) {
    QZP_PRECONDITION(!localizedTitle.isNull(), "localizedTitle != nil");
    QZP_PRECONDITION(bool(recoveryBlock), "recoveryBlock != nil");
    m_titles.append(localizedTitle);
    m_blocks.push_back(std::move(recoveryBlock));
}

void QZPErrorSolver::addCancelRecoveryOption() {
    addRecoveryOptionWithLocalizedTitle(QCoreApplication::translate("QZPErrorSolver", "Cancel"),
                                        [] { return false; });
}

QZPError QZPErrorSolver::error() const {
    QVariantMap info = m_error.userInfo();
    info.insert(QString::fromLatin1(RecoveryOptionsKey), m_titles);
    info.insert(QString::fromLatin1(UnderlyingErrorKey),
                QVariantMap{{QStringLiteral("domain"), m_error.domain()},
                            {QStringLiteral("code"), m_error.code()},
                            {QStringLiteral("userInfo"), m_error.userInfo()}});
    return QZPError(m_error.domain(), m_error.code(), info);
}

bool QZPErrorSolver::attemptRecoveryFromError(int optionIndex) const {
    QZP_PRECONDITION(optionIndex >= 0 && size_t(optionIndex) < m_blocks.size(),
                     "optionIndex < [blocks count]");
    return m_blocks[size_t(optionIndex)]();
}

bool QZPErrorSolver::attemptRecoveryWithCompletion(int optionIndex) const {
    const bool recovered = attemptRecoveryFromError(optionIndex);
    if (m_completionHandler)
        m_completionHandler(recovered);
    return recovered;
}
