// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QZPSoundAnalysis.h"

#include "sound/QZPSoundRenderer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numeric>

std::vector<float> QZPSoundAnalysis::channel(const std::vector<float>& interleaved, int which, double from,
                                             double to) const {
    std::vector<float> out;
    const std::size_t first = std::size_t(std::max(0.0, from) * m_rate);
    const std::size_t last = std::min(interleaved.size() / 2, std::size_t(std::min(to, 1e6) * m_rate));
    for (std::size_t i = first; i < last; ++i)
        out.push_back(interleaved[i * 2 + std::size_t(which)]);
    return out;
}

std::vector<double> QZPSoundAnalysis::upwardCrossings(const std::vector<float>& x) {
    std::vector<double> times;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0 && x[i] >= 0)
            times.push_back(double(i - 1) + double(-x[i - 1]) / double(x[i] - x[i - 1]));
    return times;
}

double QZPSoundAnalysis::frequency(const std::vector<float>& x) const {
    const std::vector<double> t = upwardCrossings(x);
    return t.size() > 1 ? double(t.size() - 1) * m_rate / (t.back() - t.front()) : 0;
}

std::vector<double> QZPSoundAnalysis::spectrum(std::vector<float> x) {
    // An iterative radix-2 transform of the windowed samples, zero-padded to the length.
    const std::size_t length = SpectrumLength;
    x.resize(length, 0);
    std::vector<std::complex<double>> a(length);
    for (std::size_t i = 0; i < length; ++i)
        a[i] = double(x[i]) * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(length)));
    for (std::size_t i = 1, j = 0; i < length; ++i) {
        std::size_t bit = length >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= length; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * M_PI / double(len));
        for (std::size_t i = 0; i < length; i += len) {
            std::complex<double> wn(1);
            for (std::size_t k = 0; k < len / 2; ++k, wn *= w) {
                const auto u = a[i + k], v = a[i + k + len / 2] * wn;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> magnitude(length / 2);
    for (std::size_t i = 0; i < length / 2; ++i)
        magnitude[i] = std::abs(a[i]);
    return magnitude;
}

double QZPSoundAnalysis::energyNear(const std::vector<double>& magnitude, double hz, double width) const {
    double sum = 0;
    for (std::size_t i = std::size_t(hz * (1 - width) / binHz());
         i <= std::size_t(hz * (1 + width) / binHz()) && i < magnitude.size(); ++i)
        sum += magnitude[i] * magnitude[i];
    return sum;
}

double QZPSoundAnalysis::centroid(const std::vector<double>& magnitude) const {
    double weighted = 0, total = 0;
    for (std::size_t i = 1; i < magnitude.size(); ++i) {
        weighted += double(i) * binHz() * magnitude[i];
        total += magnitude[i];
    }
    return total > 0 ? weighted / total : 0;
}

double QZPSoundAnalysis::peak(const std::vector<float>& x) {
    double most = 0;
    for (const float v : x)
        most = std::max(most, double(std::fabs(v)));
    return most;
}

double QZPSoundAnalysis::mean(const std::vector<float>& x) {
    return x.empty() ? 0 : std::accumulate(x.begin(), x.end(), 0.0) / double(x.size());
}

double QZPSoundAnalysis::largestStep(const std::vector<float>& x) {
    double most = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        most = std::max(most, double(std::fabs(x[i] - x[i - 1])));
    return most;
}

// The peak of each whole millisecond from sample `first` on.
std::vector<double> QZPSoundAnalysis::levels(const std::vector<float>& x, std::size_t first) const {
    const std::size_t window = std::size_t(std::max(1, m_rate / 1000));
    std::vector<double> result;
    for (std::size_t start = first; start + window < x.size(); start += window) {
        const auto [low, high] =
            std::minmax_element(x.begin() + long(start), x.begin() + long(start + window));
        result.push_back(std::max(std::fabs(double(*low)), std::fabs(double(*high))));
    }
    return result;
}

double QZPSoundAnalysis::timeToLevel(const std::vector<float>& x, double from, double reference,
                                     double fraction, bool rising) const {
    const std::vector<double> perMillisecond = levels(x, std::size_t(from * m_rate));
    for (std::size_t n = 0; n < perMillisecond.size(); ++n) {
        const double level = perMillisecond[n];
        if (rising ? level >= fraction * reference : level <= fraction * reference)
            return double(n * std::size_t(std::max(1, m_rate / 1000))) / m_rate;
    }
    return 1e9;
}

double QZPSoundAnalysis::secondsWithin(const std::vector<float>& x, double decibels) const {
    const double threshold = peak(x) * std::pow(10.0, -decibels / 20);
    const std::vector<double> perMillisecond = levels(x, 0);
    const auto loud = std::count_if(perMillisecond.begin(), perMillisecond.end(),
                                    [threshold](double level) { return level > 0 && level >= threshold; });
    return double(loud) * double(std::max(1, m_rate / 1000)) / m_rate;
}

QZPSoundAnalysis::Summary QZPSoundAnalysis::summarise(const std::vector<float>& interleaved) const {
    const std::vector<float> left = channel(interleaved, 0);
    const double loudest = peak(interleaved);
    Summary summary;
    summary.silent = loudest < QZPSoundRenderer::FadedLevel;
    summary.peakDb = loudest > 0 ? 20 * std::log10(loudest) : -std::numeric_limits<double>::infinity();
    summary.dcOffset = mean(interleaved);
    if (!summary.silent) {
        summary.secondsLoud = secondsWithin(left, 20);
        summary.centroidHz = centroid(spectrum(left));
    }
    return summary;
}
