#include "hosts/live/country_codes.h"

#include "hosts/core/place_text.h"

namespace nubivo::live {
namespace {

// Every officially assigned ISO 3166-1 alpha-2 code, and XK.
constexpr std::string_view countryCodes =
    "ADAEAFAGAIALAMAOAQARASATAUAWAXAZBABBBDBEBFBGBHBIBJBLBMBNBOBQBRBSBTBVBWBYBZCACCCDCFCGCHCI"
    "CKCLCMCNCOCRCUCVCWCXCYCZDEDJDKDMDODZECEEEGEHERESETFIFJFKFMFOFRGAGBGDGEGFGGGHGIGLGMGNGPGQ"
    "GRGSGTGUGWGYHKHMHNHRHTHUIDIEILIMINIOIQIRISITJEJMJOJPKEKGKHKIKMKNKPKRKWKYKZLALBLCLILKLRLS"
    "LTLULVLYMAMCMDMEMFMGMHMKMLMMMNMOMPMQMRMSMTMUMVMWMXMYMZNANCNENFNGNINLNONPNRNUNZOMPAPEPFPG"
    "PHPKPLPMPNPRPSPTPWPYQARERORSRURWSASBSCSDSESGSHSISJSKSLSMSNSOSRSSSTSVSXSYSZTCTDTFTGTHTJTK"
    "TLTMTNTOTRTTTVTWTZUAUGUMUSUYUZVAVCVEVGVIVNVUWFWSXKYEYTZAZMZW";

struct Territories {
    const char* country;
    const char* codes;
};

constexpr Territories territories[] = {
    {"AU", "CXCCNFHM"},
    {"CN", "HKMO"},
    {"DK", "GLFO"},
    {"FI", "AX"},
    {"FR", "GFGPMQREYTPMNCPFWFBLMFTF"},
    {"GB", "GIIMJEGGFKBMKYVGAIMSTCSHPNIOGS"},
    {"NL", "AWCWSXBQ"},
    {"NO", "SJBV"},
    {"NZ", "CKNUTK"},
    {"US", "PRGUVIASMPUM"},
};

}  // namespace

std::string countryCodeOf(std::string_view code) {
    if (code.size() != 2)
        return "";
    const std::string upperCode = host::asciiUpper(code);
    if (upperCode == "UK")
        return "GB";
    for (size_t i = 0; i + 1 < countryCodes.size(); i += 2) {
        if (countryCodes.substr(i, 2) == upperCode)
            return upperCode;
    }
    return "";
}

std::string_view territoriesOf(std::string_view country) {
    for (const Territories& entry : territories) {
        if (country == entry.country)
            return entry.codes;
    }
    return "";
}

}  // namespace nubivo::live
