// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPInvalidParameter.h"

QZPInvalidParameter::QZPInvalidParameter(const std::string& condition, const char* file, int line)
    : std::logic_error("Invalid parameter not satisfying: " + condition), m_condition(condition),
      m_file(file), m_line(line) {}
