// Bytes spelled as the tables spell them, "01 00 28", so failures print
// frames the same way.
#pragma once

#include "protocol/capture.h"
#include "protocol/decoder.h"

#include <QString>

inline QString hex(const camdeck::Bytes &bytes)
{
    return QString::fromStdString(camdeck::protocol::hexBytes(bytes));
}

inline camdeck::Bytes bytes(const QString &hexText)
{
    return camdeck::protocol::readCaptureLine(hexText.toStdString()).bytes;
}
