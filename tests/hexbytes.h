// Bytes spelled as the tables spell them, "01 00 28": failures then print
// frames the same way. For the units without a window, and for the fixture.
#pragma once

#include "protocol/frame.h"

#include <QStringList>

inline QString hex(const camdeck::Bytes &bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

inline camdeck::Bytes bytes(const QString &hexText)
{
    camdeck::Bytes out;
    for (const QString &part : hexText.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(static_cast<std::uint8_t>(part.toUInt(nullptr, 16)));
    return out;
}
