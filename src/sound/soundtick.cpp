// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundtick.h"

namespace sorvel {

int render_block(Synthesizer& synthesizer, int count, int capacity, OutputBuffers& buffers,
                 WaveOut& device) {
    return render_block(
        [&synthesizer](std::span<std::int16_t> block) { synthesizer.render(block); }, count,
        capacity, buffers, device);
}

bool soundTick(WaveOut& device, OutputBuffers& buffers, Synthesizer& synthesizer) {
    if (!device.buffer_free())
        return false;
    // The first block since the device started: whatever played before was dropped, so the
    // voices start again from silence.
    if (device.blocksWritten() == 0)
        synthesizer.restart();
    render_block(synthesizer, buffers.blockSamples(), buffers.blockBytes(), buffers, device);
    return true;
}

} // namespace sorvel
