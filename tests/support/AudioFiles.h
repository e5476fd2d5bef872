#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

// Little music files made by the tests themselves.

inline void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// push_back rather than insert: gcc 12 warns wrongly about inserting an
// initialiser list into an empty vector.
inline void append(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        out.push_back(b);
    }
}

inline bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// A 16-bit PCM RIFF wave file of interleaved samples.
inline std::vector<std::uint8_t> waveFile(const std::vector<std::int16_t>& samples, int rate,
                                          int channels) {
    std::vector<std::uint8_t> out;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    append(out, {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    append(out, {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, 1, 2);  // PCM
    putLe(out, static_cast<std::uint32_t>(channels), 2);
    putLe(out, static_cast<std::uint32_t>(rate), 4);
    putLe(out, static_cast<std::uint32_t>(rate * channels * 2), 4);
    putLe(out, static_cast<std::uint32_t>(channels * 2), 2);
    putLe(out, 16, 2);
    append(out, {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (std::int16_t s : samples) {
        putLe(out, static_cast<std::uint16_t>(s), 2);
    }
    return out;
}

// Stereo 44100 Hz samples that are never 0, so silence between two plays of
// them shows in a recording: a 441 Hz tone riding on a positive offset.
inline std::vector<std::int16_t> offsetTone(int milliseconds) {
    const int frames = 44100 * milliseconds / 1000;
    std::vector<std::int16_t> samples;
    samples.reserve(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double phase = 2.0 * M_PI * 441.0 * i / 44100.0;
        const auto value = static_cast<std::int16_t>(std::lrint(8000.0 + 4000.0 * std::sin(phase)));
        samples.push_back(value);
        samples.push_back(static_cast<std::int16_t>(-value));
    }
    return samples;
}

// A format-0 MIDI file at 120 beats a minute, 480 ticks a beat. Each note is
// {key, velocity, length in ticks}, one after the other on channel 0.
struct MidiNote {
    int key;
    int velocity;
    std::uint32_t ticks;
};

inline void putQuantity(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) {
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    }
    out.push_back(groups[0]);
}

inline std::vector<std::uint8_t> midiFile(const std::vector<MidiNote>& notes) {
    std::vector<std::uint8_t> track;
    putQuantity(track, 0);
    append(track, {0xC0, 0x00});  // program: acoustic grand piano
    for (const MidiNote& note : notes) {
        putQuantity(track, 0);
        append(track, {0x90, static_cast<std::uint8_t>(note.key),
                       static_cast<std::uint8_t>(note.velocity)});
        putQuantity(track, note.ticks);
        append(track, {0x80, static_cast<std::uint8_t>(note.key), 0x40});
    }
    putQuantity(track, 0);
    append(track, {0xFF, 0x2F, 0x00});
    std::vector<std::uint8_t> out;
    append(out, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'});
    const auto length = static_cast<std::uint32_t>(track.size());
    append(out, {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                 static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

// Runs the ffmpeg program quietly; false when it is missing or fails.
inline bool runFfmpeg(const std::string& arguments) {
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments;
    return std::system(command.c_str()) == 0;
}

}  // namespace testing_support
