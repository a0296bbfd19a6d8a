#include "locations/location_files.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace nubivo {
namespace {

constexpr char countriesSuffix[] = "/Countries/";
constexpr char cityListExtension[] = ".nwv";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Appends one byte unless the line is full; a full line drops the rest.
void appendByte(std::string& line, char byte) {
    if (line.size() < maxLineLength)
        line.push_back(byte);
}

}  // namespace

bool countriesFolder(char* out, size_t size) {
    if (size > 0)
        out[0] = '\0';
    char directory[maxPathLength + 1];
    // getcwd fails with ERANGE for a directory longer than the buffer: no folder then.
    if (getcwd(directory, sizeof directory) == nullptr)
        return false;
    const size_t directoryLength = std::strlen(directory);
    const size_t suffixLength = sizeof countriesSuffix - 1;
    // The root directory is "/": no second '/' before Countries.
    const size_t keep = directoryLength == 1 && directory[0] == '/' ? 0 : directoryLength;
    const size_t total = keep + suffixLength;
    if (total > maxPathLength || total >= size)
        return false;
    std::memcpy(out, directory, keep);
    std::memcpy(out + keep, countriesSuffix, suffixLength + 1);
    return true;
}

std::vector<std::string> countryNames(const char* folder) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return names;
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        if (entry.is_directory(typeError))
            continue;
        names.push_back(name.substr(0, name.find('.')));
    }
    return names;
}

bool cityListPath(const char* folder, const char* country, char* out, size_t size) {
    const size_t folderLength = std::strlen(folder);
    const size_t countryLength = std::strlen(country);
    const size_t extensionLength = sizeof cityListExtension - 1;
    const size_t total = folderLength + countryLength + extensionLength;
    if (total > maxPathLength || total >= size)
        return false;
    std::memcpy(out, folder, folderLength);
    std::memcpy(out + folderLength, country, countryLength);
    std::memcpy(out + folderLength + countryLength, cityListExtension, extensionLength + 1);
    return true;
}

std::vector<std::string> cityEntries(const char* path) {
    std::vector<std::string> entries;
    // fopen opens a directory on Linux and its first read fails, which would read as an
    // empty file: a directory is a file that cannot be opened.
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return entries;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file)
        return entries;

    std::string line;
    bool pendingReturn = false;
    for (;;) {
        const int byte = std::getc(file.get());
        if (byte == EOF)
            break;
        if (pendingReturn) {
            pendingReturn = false;
            // A CR LF pair reads as one line feed, as text mode does on other systems.
            if (byte != '\n')
                appendByte(line, '\r');
        }
        if (byte == '\n') {
            entries.push_back(line);
            line.clear();
        } else if (byte == '\r') {
            pendingReturn = true;
        } else {
            appendByte(line, static_cast<char>(byte));
        }
    }
    if (pendingReturn)
        appendByte(line, '\r');
    entries.push_back(line);
    return entries;
}

}  // namespace nubivo
