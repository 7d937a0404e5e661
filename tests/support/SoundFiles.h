#pragma once
// Sound files made by tests and benchmarks, and a reader for what SDL's disk audio driver writes
// (signed 16-bit stereo at 44100 Hz, the format the player opens the device in).
#include <cstdint>
#include <string>
#include <vector>

namespace quillo::test {

// A 16-bit mono sine tone at 44100 Hz.
void writeToneWav(const std::string& path, double seconds, double hz = 440.0);
// The same tone as an MP3 through the lame encoder; false when lame is missing or fails.
bool writeToneMp3(const std::string& path, double seconds);
// A one-track MIDI file: middle C on a piano for the given time.
void writeMidiNote(const std::string& path, double seconds);

struct HeardSound {
    double loudFrom = -1, loudTo = -1;  // seconds of the first and last sample above the floor
    double rms = 0;                     // over that span, full scale = 1
};
// What a disk driver file holds.
HeardSound listen(const std::string& rawPath);

}  // namespace quillo::test
