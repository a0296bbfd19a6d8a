#pragma once

namespace nubivo::host {

// Conversions from the metric units both hosts work in to the imperial ones the feed offers.
inline constexpr double milesPerKm = 0.621371;
inline constexpr double inchesOfMercuryPerHectopascal = 0.0295300;
inline constexpr double metresPerMile = 1609.344;

inline double fahrenheit(double celsius) {
    return celsius * 9.0 / 5.0 + 32.0;
}

}  // namespace nubivo::host
