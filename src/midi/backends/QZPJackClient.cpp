// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/backends/QZPJackClient.h"

jack_client_t* QZPJackClient::open(const char* name, JackProcessCallback process, void* self,
                                   QString* error) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open(name, JackNoStartServer, &status);
    if (!client) {
        *error = QStringLiteral("JACK refused the client “%1” (status %2)")
                     .arg(QLatin1String(name))
                     .arg(int(status));
        return nullptr;
    }
    jack_set_process_callback(client, process, self);
    if (jack_activate(client) != 0) {
        jack_client_close(client);
        *error = QStringLiteral("JACK did not start the client “%1”").arg(QLatin1String(name));
        return nullptr;
    }
    return client;
}
