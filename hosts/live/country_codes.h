#pragma once

#include <string>
#include <string_view>

namespace nubivo::live {

// The ISO 3166-1 code that the two letters `code` stand for as a country, in upper case
// ("fr" is "FR"; "UK", reserved for it, is "GB"); "" when they stand for none. Kosovo's XK,
// which the place database uses, counts as one.
std::string countryCodeOf(std::string_view code);

// The codes the place database files the territories of `country` under, in pairs of letters
// ("SJBV" for "NO": Svalbard and Jan Mayen, Bouvet Island); "" for a country without any.
std::string_view territoriesOf(std::string_view country);

}  // namespace nubivo::live
