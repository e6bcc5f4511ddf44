#include "memorycontrols.h"

#include <algorithm>

namespace camdeck::ctl {

using protocol::Control;

MemoryControls::MemoryControls()
{
    for (const Control &c : protocol::controls())
        m_values[&c] = c.initial;
}

int MemoryControls::value(const Control &control) const
{
    return m_values.at(&control);
}

void MemoryControls::set(const Control &control, int value)
{
    if (control.kind == protocol::ControlKind::Check)
        value = value != 0 ? 1 : 0;
    else if (control.kind == protocol::ControlKind::Slider)
        value = std::clamp(value, control.min, control.max);
    m_values[&control] = value;
}

} // namespace camdeck::ctl
