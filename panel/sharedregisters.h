// The camera registers that several controls share. Each is composed whole
// from the settings every time one of its controls acts, never cached.
#pragma once

#include "link/sendqueue.h"
#include "presets/presetslot.h"

namespace camdeck {

// A flag read from an edited preset file may be any number; the camera gets
// one bit for it, so 3 or -1 must not spill into the neighbouring bits.
inline int bit(int flag, int position)
{
    return (flag != 0 ? 1 : 0) << position;
}

// Register 2/0, exposure mode: bit 0 ALC, bit 1 AES. The fixed shutter has no
// bit: it is the mode with AES off.
inline int exposureModeByte(const ExposureState &s)
{
    return bit(s.alc_flg, 0) | bit(s.aes_flg, 1);
}

// Register 2/4, gain and shutter mode: bit 0 automatic gain, bit 2 slow shutter,
// bit 3 slow-shutter priority. Manual gain is the mode with bit 0 clear.
inline int gainShutterModeByte(const ExposureState &s)
{
    return bit(s.agc_flg, 0) | bit(s.ssh_flg, 2) | bit(s.priority_flg, 3);
}

// Register 2/10, peak control: bit 7 on, bits 0 to 6 the level, sent whether
// peak control is on or not.
inline int peakControlByte(const ExposureState &s)
{
    return bit(s.peakcontrol_flg, 7) | s.peakcontrol_val;
}

// Register 4/0, white balance and colour mode: bit 0 ATW (AWB is the mode with
// it clear), bits 2 and up the colour mode's item index. Written by the colour
// mode pop-up and by the white-balance pair alike.
inline void sendWhiteBalanceColourMode(SendQueue &line, int colourModeIndex, bool atw)
{
    sendCommand8(line, 4, 0, colourModeIndex << 2 | (atw ? 1 : 0));
}

// Each writer of a shared register sends the whole byte, one frame and its pause.
inline void sendExposureMode(SendQueue &line, const ExposureState &s)
{
    sendCommand8(line, 2, 0, exposureModeByte(s));
}

inline void sendGainShutterMode(SendQueue &line, const ExposureState &s)
{
    sendCommand8(line, 2, 4, gainShutterModeByte(s));
}

inline void sendPeakControl(SendQueue &line, const ExposureState &s)
{
    sendCommand8(line, 2, 10, peakControlByte(s));
}

} // namespace camdeck
