// camdeck-ctl through an open panel: when the window holds the port a script
// names (or, with no port named, the only one a panel holds), the commands go
// to it over the session bus, through the same behaviour and queue as its
// clicks, rather than failing with "in use". What a script is told and the
// exit status are the same as on the port itself.
#pragma once

#include "host.h"
#include "invocation.h"
#include "output.h"

#include <QString>

#include <optional>

namespace camdeck::ctl {

// The bus name of the open panel that holds device (the same device, named by
// a link or by its node), or with device "" of the only panel that holds a
// port; nothing when there is no session bus or no such panel.
struct OpenPanel {
    QString service;
    QString port;
};
std::optional<OpenPanel> findOpenPanel(const std::string &device);

int runThroughPanel(const Invocation &invocation, const OpenPanel &panel, Host &host,
                    Output &output);

} // namespace camdeck::ctl
