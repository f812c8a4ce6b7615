#pragma once
// Lights to measure and to draw: CIE F1–F12, A and D65 as Debian's
// colord-data installs them (380–780 nm at 5 nm), and phosphor-converted
// white LEDs made of a blue pump and one or two broad phosphor bands.

#include "bands.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

struct SampleLight {
    std::string name;
    colorimetry::Bands bands{};
};

// The single set of a colord .sp file over 380–780 nm at 5 nm; false when
// the file is missing or of another range.
inline bool ReadColordLight(const std::string &path, colorimetry::Bands &out)
{
    std::ifstream file(path);
    std::string line;
    double start = 0, end = 0;
    bool data = false;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "SPECTRAL_START_NM")
            words >> start;
        else if (key == "SPECTRAL_END_NM")
            words >> end;
        else if (key == "BEGIN_DATA")
            data = true;
        else if (data && !key.empty()) {
            if (start != colorimetry::kFirstBandNm || end != colorimetry::kLastBandNm)
                return false;
            std::istringstream values(line);
            for (double &v : out)
                if (!(values >> v))
                    return false;
            return true;
        }
    }
    return false;
}

inline double Gaussian(double nm, double peak, double fwhm)
{
    const double sigma = fwhm / 2.354820045;
    return std::exp(-0.5 * (nm - peak) * (nm - peak) / (sigma * sigma));
}

// A blue pump (peak nm, FWHM 20 nm) and phosphor bands (peak, FWHM, weight).
struct LedRecipe {
    const char *name;
    double pump;
    double pumpWeight;
    double phosphor1, fwhm1, weight1;
    double phosphor2, fwhm2, weight2; // weight2 = 0: one band
};

inline constexpr LedRecipe kLeds[] = {
    {"LED 450 + YAG", 450, 1.0, 560, 120, 0.85, 0, 0, 0},
    {"LED 445 + 535/630", 445, 1.0, 535, 100, 0.75, 630, 90, 0.65},
    {"LED 455 + 550/650 warm", 455, 0.55, 550, 110, 0.8, 650, 85, 0.9},
    {"LED 440 + 525/610 cool", 440, 1.6, 525, 95, 0.8, 610, 80, 0.45},
    {"LED 460 + 570 neutral", 460, 0.9, 570, 125, 1.0, 0, 0, 0},
};

inline colorimetry::Bands LedBands(const LedRecipe &r)
{
    colorimetry::Bands b{};
    for (std::size_t k = 0; k < colorimetry::kBandCount; ++k) {
        const double nm = colorimetry::BandNm(k);
        b[k] = r.pumpWeight * Gaussian(nm, r.pump, 20) + r.weight1 * Gaussian(nm, r.phosphor1, r.fwhm1)
               + r.weight2 * Gaussian(nm, r.phosphor2, r.fwhm2);
    }
    return b;
}

// F1–F12, A, D65 (those colord-data has) and the LEDs above.
inline std::vector<SampleLight> SampleLights(const std::string &colordDir = "/usr/share/colord")
{
    std::vector<SampleLight> lights;
    std::vector<std::string> names;
    for (int i = 1; i <= 12; ++i)
        names.push_back("F" + std::to_string(i));
    names.insert(names.end(), {"A", "D65"});
    for (const std::string &name : names) {
        SampleLight light{"CIE " + name, {}};
        if (ReadColordLight(colordDir + "/illuminant/CIE-" + name + ".sp", light.bands))
            lights.push_back(light);
    }
    for (const LedRecipe &r : kLeds)
        lights.push_back({r.name, LedBands(r)});
    return lights;
}

} // namespace bench
