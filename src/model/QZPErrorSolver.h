// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/QZPError.h"

#include <QStringList>
#include <functional>
#include <memory>

// Recovery choices attached to an error: button titles, each with a function that tries to recover and
// answers whether it did. The presentation shows one button per option, in order (the first is the
// default), runs the chosen option and hands its answer back.
class QZPErrorSolver {
public:
    // Keys the presented error carries in its user information.
    static constexpr const char* RecoveryOptionsKey = "NSLocalizedRecoveryOptions";
    static constexpr const char* UnderlyingErrorKey = "NSUnderlyingError";

    using RecoveryBlock = std::function<bool()>;
    using CompletionHandler = std::function<void(bool)>;

    static std::shared_ptr<QZPErrorSolver> solverWithError(const QZPError& error);
    explicit QZPErrorSolver(const QZPError& error) : m_error(error) {}

    // Appends an option. An empty title or a missing block is a programming error.
    void addRecoveryOptionWithLocalizedTitle(const QString& localizedTitle, RecoveryBlock recoveryBlock);
    // "Cancel", answering false.
    void addCancelRecoveryOption();
    QStringList recoveryOptions() const { return m_titles; }

    // The error to present: the stored one's domain, code and information, with the recovery options and
    // the stored error as the underlying one.
    QZPError error() const;
    const QZPError& storedError() const { return m_error; }

    // Runs the option at `optionIndex` and answers its result.
    bool attemptRecoveryFromError(int optionIndex) const;
    // The same, then the completion handler (if any) with the result: the form used after a sheet.
    bool attemptRecoveryWithCompletion(int optionIndex) const;

    const CompletionHandler& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }

private:
    QZPError m_error;
    QStringList m_titles;
    std::vector<RecoveryBlock> m_blocks;
    CompletionHandler m_completionHandler;
};
