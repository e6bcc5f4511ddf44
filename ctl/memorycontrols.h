// The panel's controls for a script: values kept in memory, each starting as
// the window starts it, so a control that shares its register with others is
// sent with theirs as the panel would send them.
#pragma once

#include "panel/camerapanel.h"

#include <map>

namespace camdeck::ctl {

class MemoryControls : public Controls {
public:
    MemoryControls();

    int value(const protocol::Control &control) const override;
    // As a partner rule or a recall sets a widget: a check box holds 0 or 1,
    // a slider stays within its range.
    void set(const protocol::Control &control, int value) override;
    // There are no labels to write.
    void show(const protocol::Control &, const std::string &) override { }

    // The script's own value, as it was given (under --raw, out of range too).
    void assign(const protocol::Control &control, int value) { m_values[&control] = value; }

private:
    std::map<const protocol::Control *, int> m_values;
};

} // namespace camdeck::ctl
