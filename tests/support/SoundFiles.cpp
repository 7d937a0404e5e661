#include "SoundFiles.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>

#include "TestSupport.h"

namespace quillo::test {

namespace {

void put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char(v >> 8 & 0xFF);
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

}  // namespace

void writeToneWav(const std::string& path, double seconds, double hz) {
    const unsigned rate = 44100, frames = unsigned(seconds * rate);
    std::string s = "RIFF";
    put32(s, 36 + frames * 2);
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);  // PCM
    put16(s, 1);  // mono
    put32(s, rate);
    put32(s, rate * 2);
    put16(s, 2);
    put16(s, 16);
    s += "data";
    put32(s, frames * 2);
    for (unsigned i = 0; i < frames; ++i)
        put16(s, unsigned(std::lround(12000 * std::sin(2 * std::numbers::pi * hz * i / rate))));
    writeFile(path, s);
}

bool writeToneMp3(const std::string& path, double seconds) {
    const std::string wav = path + ".wav";
    writeToneWav(wav, seconds);
    const std::string cmd = "lame --quiet -b 128 '" + wav + "' '" + path + "' 2>/dev/null";
    const bool ok = std::system(cmd.c_str()) == 0;
    std::remove(wav.c_str());
    return ok;
}

void writeMidiNote(const std::string& path, double seconds) {
    // 480 ticks per quarter at the default 120 bpm: 960 ticks a second.
    const unsigned ticks = unsigned(seconds * 960);
    std::string track;
    track += std::string("\x00\xC0\x00", 3);      // piano
    track += std::string("\x00\x90\x3C\x64", 4);  // note on, middle C
    track += char(0x80 | (ticks >> 14 & 0x7F));   // delta as a 3-byte variable-length number
    track += char(0x80 | (ticks >> 7 & 0x7F));
    track += char(ticks & 0x7F);
    track += std::string("\x80\x3C\x40", 3);      // note off
    track += std::string("\x00\xFF\x2F\x00", 4);  // end of track
    std::string s = "MThd";
    s += std::string("\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 10);
    s += "MTrk";
    s += char(0);
    s += char(0);
    s += char(track.size() >> 8);
    s += char(track.size() & 0xFF);
    writeFile(path, s + track);
}

HeardSound listen(const std::string& rawPath) {
    const std::string raw = readFile(rawPath);
    const std::size_t frames = raw.size() / 4;
    HeardSound h;
    double sum = 0;
    std::size_t first = frames, last = 0;
    std::vector<double> left(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto lo = std::uint8_t(raw[i * 4]), hi = std::uint8_t(raw[i * 4 + 1]);
        left[i] = std::int16_t(lo | hi << 8) / 32768.0;
        if (std::abs(left[i]) > 0.01) {
            if (first == frames) first = i;
            last = i;
        }
    }
    if (first == frames) return h;
    for (std::size_t i = first; i <= last; ++i) sum += left[i] * left[i];
    h.loudFrom = first / 44100.0;
    h.loudTo = last / 44100.0;
    h.rms = std::sqrt(sum / double(last - first + 1));
    return h;
}

}  // namespace quillo::test
