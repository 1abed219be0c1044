// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// A violated precondition: a programming error, never a reaction to outside input.
// The object the operation was called on is left unchanged.
class QZPInvalidParameter : public std::logic_error {
public:
    QZPInvalidParameter(const std::string& condition, const char* file, int line);

    // The condition as it was written, without the "Invalid parameter not satisfying: " prefix.
    const std::string& condition() const { return m_condition; }
    const char* file() const { return m_file; }
    int line() const { return m_line; }

private:
    std::string m_condition;
    const char* m_file;
    int m_line;
};

// Throws QZPInvalidParameter with `text` as the condition when `cond` is false.
// `text` is the condition as users of the class know it; it may be worded differently from `cond`.
#define QZP_PRECONDITION(cond, text)                                                                         \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            throw QZPInvalidParameter((text), __FILE__, __LINE__);                                           \
    } while (false)
