// SPDX-License-Identifier: GPL-3.0-or-later
// What each tick of the sound timer does: when the device has a free buffer, the Synthesizer
// renders one block of the current block size and the block is queued.
//
//   if (timerRunning)
//       sorvel::soundTick(device, buffers, synthesizer);   // every 20 ms
#pragma once

#include "sound.h"
#include "waveout.h"

namespace sorvel {

// Renders `count` samples of the sounding notes into the buffers' scratch and queues them with
// write_samples; `capacity` is the byte size of each buffer. Returns the number of samples.
int render_block(Synthesizer& synthesizer, int count, int capacity, OutputBuffers& buffers,
                 WaveOut& device);

// If a buffer is free, renders and queues one block of buffers.blockSamples(); returns whether
// it did.
bool soundTick(WaveOut& device, OutputBuffers& buffers, Synthesizer& synthesizer);

} // namespace sorvel
