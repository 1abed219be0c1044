// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <jack/jack.h>

// Opening a client of ours on the running JACK server, with its process callback started.
class QZPJackClient {
public:
    // The active client, or null with the reason.
    static jack_client_t* open(const char* name, JackProcessCallback process, void* self, QString* error);
};
