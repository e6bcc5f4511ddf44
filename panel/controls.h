// Setting a control from code, as a recall or a partner rule does, must never
// fire the control's own action: these do it with the control's signals blocked.
#pragma once

#include <QCheckBox>
#include <QSignalBlocker>
#include <QSlider>

namespace camdeck {

inline void setChecked(QCheckBox *box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

// The slider limits the value to its range.
inline void setSliderValue(QSlider *slider, int value)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

} // namespace camdeck
