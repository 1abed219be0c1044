// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

// Measures rendered sound at one sample rate: pitch from zero crossings, a magnitude spectrum, levels,
// DC offset and how long a sound stays loud. The command line's analyse command prints these for
// presets, and the sound's tests measure the built-in sound with them.
class QZPSoundAnalysis {
public:
    static constexpr std::size_t SpectrumLength = 16384;

    explicit QZPSoundAnalysis(int sampleRate) : m_rate(sampleRate) {}

    // One channel (0 left, 1 right) of interleaved stereo samples, from `from` to `to` seconds.
    std::vector<float> channel(const std::vector<float>& interleaved, int which, double from = 0,
                               double to = 1e9) const;
    // The times (in samples, interpolated) at which the signal crosses zero going up.
    static std::vector<double> upwardCrossings(const std::vector<float>& x);
    // The frequency from the rising zero crossings of a steady stretch; 0 without two crossings.
    double frequency(const std::vector<float>& x) const;

    // Magnitudes of the first half of the spectrum of the first SpectrumLength samples (Hann window).
    static std::vector<double> spectrum(std::vector<float> x);
    // The width of one bin of the spectrum, in Hz.
    double binHz() const { return double(m_rate) / double(SpectrumLength); }
    // The energy of the bins within `width` (a fraction) either side of `hz`.
    double energyNear(const std::vector<double>& magnitude, double hz, double width = 0.03) const;
    // The spectral centroid (the brightness), in Hz.
    double centroid(const std::vector<double>& magnitude) const;

    static double peak(const std::vector<float>& x);
    static double mean(const std::vector<float>& x);
    // The largest difference between neighbouring samples (a click shows as a large step).
    static double largestStep(const std::vector<float>& x);
    // Seconds from `from` until the level (the peak of each millisecond) first crosses `fraction` of
    // `reference`, upwards or downwards; a very large number when it never does.
    double timeToLevel(const std::vector<float>& x, double from, double reference, double fraction,
                       bool rising) const;
    // How long, in all, the level (the peak of each millisecond) is within `decibels` of the peak.
    double secondsWithin(const std::vector<float>& x, double decibels) const;

    // What the command line prints for a render (interleaved stereo). A render whose peak stays below
    // the level at which a render counts as faded (−90 dBFS) is silent: nothing in it is loud or bright.
    struct Summary {
        bool silent = true;
        double peakDb = 0;      // the loudest sample of either channel, in dBFS; -infinity for zeros
        double dcOffset = 0;    // the mean of both channels
        double secondsLoud = 0; // time within 20 dB of the peak, left channel
        double centroidHz = 0;  // brightness of the first SpectrumLength samples, left channel
    };
    Summary summarise(const std::vector<float>& interleaved) const;

private:
    std::vector<double> levels(const std::vector<float>& x, std::size_t first) const;

    int m_rate;
};
