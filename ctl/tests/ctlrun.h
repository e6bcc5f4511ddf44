// camdeck-ctl run inside the test, as main() runs it but with string streams
// and, where a test gives one, a pseudo-terminal peer's short pauses.
#pragma once

#include "ctl.h"
#include "system.h"

#include <QStringList>

#include <sstream>

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

inline CtlRun runCtl(const QStringList &arguments, camdeck::SerialLine::Pause pause = {}, const QByteArray &input = {})
{
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(input.toStdString());
    camdeck::ctl::Host host{out, err, in, camdeck::ctl::systemPorts, camdeck::ctl::readPresetFile, pause, -1};
    std::vector<std::string> words;
    for (const QString &argument : arguments)
        words.push_back(argument.toStdString());
    CtlRun run;
    run.status = camdeck::ctl::run(words, host);
    run.out = QString::fromStdString(out.str());
    run.err = QString::fromStdString(err.str());
    return run;
}
