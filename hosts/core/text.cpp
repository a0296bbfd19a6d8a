#include "hosts/core/text.h"

namespace nubivo::host {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

namespace {

// `text` with the 26 letters from `first` on moved by `shift` to the other case.
std::string caseShifted(std::string_view text, char first, int shift) {
    std::string out(text);
    for (char& c : out) {
        if (c >= first && c < first + 26)
            c = static_cast<char>(c + shift);
    }
    return out;
}

}  // namespace

std::string asciiLower(std::string_view text) {
    return caseShifted(text, 'A', 'a' - 'A');
}

std::string asciiUpper(std::string_view text) {
    return caseShifted(text, 'a', 'A' - 'a');
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string collapsed(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool blank = static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7F;
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string_view utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Back over continuation bytes to the start of the sequence that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

uint64_t fnv1a(std::string_view bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return hash;
}

}  // namespace nubivo::host
