#pragma once

#include "support/SessionImageBuilder.h"

#include <cmath>
#include <cstdint>
#include <vector>

// Long recordings with realistic signals: a slow wave with a little noise, so that the
// filter and the cold-junction chain see varying input as on a real logger.
namespace BenchSessions {

inline int16_t Noise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int16_t>(static_cast<int>(state >> 29) - 4);
}

inline QByteArray Voltage(int samples) {
    std::vector<int16_t> counts(static_cast<std::size_t>(samples));
    uint32_t rng = 1;
    for (int i = 0; i < samples; ++i)
        counts[static_cast<std::size_t>(i)] =
            static_cast<int16_t>(5000 + 4000 * std::sin(i * 0.001) + Noise(rng));
    SessionImageBuilder b;
    b.Set("Model", "2").Set("VRef", "2.5").Set("MaxCnt", "25000").Set("FilterSize", "10");
    return b.Samples(counts).Build();
}

inline QByteArray Thermocouple(int samples) {
    std::vector<std::pair<int16_t, int16_t>> pairs(static_cast<std::size_t>(samples));
    uint32_t rng = 7;
    for (int i = 0; i < samples; ++i) {
        // Type K around 200-400 °C (8-16 mV at 0.001 mV per count); junction near 22 °C.
        const auto reading = static_cast<int16_t>(12000 + 4000 * std::sin(i * 0.0005) + Noise(rng));
        const auto junction = static_cast<int16_t>(1110 + 10 * std::sin(i * 0.00001) + Noise(rng));
        pairs[static_cast<std::size_t>(i)] = {reading, junction};
    }
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "4.096").Set("MaxCnt", "4096");
    b.Set("EnableCJC", "1").Set("FilterSize", "10").Set("RTDRef", "4750").Set("RTDNom", "1000");
    return b.PairSamples(pairs).Build();
}

// A door contact: 16 states per word, on for a few seconds now and then.
inline QByteArray Events(int words) {
    std::vector<int16_t> counts(static_cast<std::size_t>(words));
    uint32_t rng = 3;
    bool on = false;
    for (int w = 0; w < words; ++w) {
        uint16_t word = 0;
        for (int bit = 0; bit < 16; ++bit) {
            rng = rng * 1664525u + 1013904223u;
            if ((rng >> 24) < (on ? 4u : 1u))
                on = !on;
            if (on)
                word = static_cast<uint16_t>(word | (1u << bit));
        }
        counts[static_cast<std::size_t>(w)] = static_cast<int16_t>(word);
    }
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    return b.Samples(counts).Build();
}

} // namespace BenchSessions
