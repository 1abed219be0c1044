// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The texts of the Help menu's windows, from the program's resources with each {Name} replaced by that
// component's version: About ToneBench (ToneBench's version and licence, then the acknowledgements),
// the acknowledgements (every library ToneBench is built on, with its version and licence) and the help
// page. The libraries' versions are the ones ToneBench was built against, Qt's the one it runs with.
class QZPHelpText {
public:
    static QString about();
    static QString acknowledgements();
    static QString help();
};
