// camdeck-ctl run inside the test, as main() runs it but with string streams
// and, where a test gives one, a pseudo-terminal peer's short pauses.
#pragma once

#include "ctl.h"
#include "util/ptypeer.h"

#include <QStringList>

#include <sstream>

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

inline CtlRun runCtl(const QStringList &arguments, camdeck::SerialLine::Pause pause = {}, const QByteArray &input = {})
{
    std::ostringstream out, err;
    std::istringstream in(input.toStdString());
    camdeck::ctl::Host host{out, err, in, std::move(pause), -1};
    std::vector<std::string> words;
    for (const QString &argument : arguments)
        words.push_back(argument.toStdString());
    const int status = camdeck::ctl::run(words, host);
    return {status, QString::fromStdString(out.str()), QString::fromStdString(err.str())};
}

// On the peer's port, with the peer's short pauses unless pause is given.
inline CtlRun runOn(PtyPeer &peer, const QStringList &arguments, camdeck::SerialLine::Pause pause = {})
{
    return runCtl(QStringList{"-d", QString::fromStdString(peer.slavePath())} + arguments,
                  pause ? std::move(pause) : peer.fastPause());
}
