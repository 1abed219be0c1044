// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/QZPLibraryReconciler.h"

QZPLibraryReconciler::QZPLibraryReconciler(const QZPLibraryTable& walked)
    : m_walked(walked), m_taken(size_t(walked.size()), false) {}

std::optional<QZPLibraryReconciler::Row>
QZPLibraryReconciler::match(QStringView relativePath, const Identity& identity, bool hasIdentity) {
    // The same path first (a file system's entry numbers need not match what stat reports), then the
    // same file under a new name.
    std::optional<Row> found = findByPath(relativePath);
    if (!found && hasIdentity)
        found = findByIdentity(identity);
    if (!found || m_taken[*found])
        return std::nullopt;
    m_taken[*found] = true;
    return found;
}

std::optional<QZPLibraryReconciler::Row> QZPLibraryReconciler::findByPath(QStringView relativePath) {
    if (relativePath.isEmpty())
        return std::nullopt;
    const Row rows = Row(m_walked.size());
    // The next row, or the one after it (a file added in between).
    for (const Row candidate : {m_next, m_next + 1})
        if (candidate < rows && m_walked.path(candidate) == relativePath) {
            m_next = candidate + 1;
            return candidate;
        }
    if (m_byPath.isEmpty()) {
        m_byPath.reserve(rows);
        for (Row row = 0; row < rows; ++row)
            m_byPath.insert(m_walked.path(row), row);
    }
    const auto found = m_byPath.constFind(relativePath);
    if (found == m_byPath.cend())
        return std::nullopt;
    m_next = found.value() + 1;
    return found.value();
}

std::optional<QZPLibraryReconciler::Row> QZPLibraryReconciler::findByIdentity(const Identity& identity) {
    if (m_byIdentity.isEmpty()) {
        m_byIdentity.reserve(m_walked.size());
        for (Row row = 0; row < Row(m_walked.size()); ++row)
            m_byIdentity.insert(m_walked.identity(row), row);
    }
    const auto found = m_byIdentity.constFind(identity);
    return found == m_byIdentity.cend() ? std::nullopt : std::optional<Row>(found.value());
}
