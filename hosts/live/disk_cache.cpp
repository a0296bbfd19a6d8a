#include "hosts/live/disk_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace nubivo::live {
namespace {

std::atomic<uint64_t> temporaryCount{0};

bool writeAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Makes every missing folder of `path` private to the user (0700, whatever the umask);
// folders that exist are left as they are. False when `path` is not a folder in the end.
bool makePrivateFolders(const std::filesystem::path& path) {
    std::filesystem::path built;
    for (const std::filesystem::path& part : path) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) == 0)
            ::chmod(built.c_str(), 0700);
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DiskCache::DiskCache(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/')
        folder_.pop_back();
}

bool DiskCache::write(const std::string& name, std::string_view bytes) const {
    if (!enabled() || name.empty() || name.find("..") != std::string::npos || name[0] == '/')
        return false;
    const std::filesystem::path path = std::filesystem::path(folder_) / name;
    if (!makePrivateFolders(path.parent_path()))
        return false;
    const std::string temporary = path.string() + ".tmp." + std::to_string(::getpid()) + "." +
                                  std::to_string(temporaryCount.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::fchmod(fd, 0600) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> DiskCache::read(const std::string& name, size_t maxBytes) const {
    if (!enabled() || name.find("..") != std::string::npos)
        return std::nullopt;
    const std::string path = folder_ + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
        static_cast<uint64_t>(info.st_size) <= maxBytes) {
        std::string content(static_cast<size_t>(info.st_size), '\0');
        size_t done = 0;
        while (done < content.size()) {
            const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        if (done == content.size())
            bytes = std::move(content);
    }
    ::close(fd);
    return bytes;
}

std::string DiskCache::defaultFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/nubivo-weather-viewer";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.cache/nubivo-weather-viewer";
    return "";
}

uint64_t checksum(std::string_view bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return hash;
}

std::string checksumText(std::string_view bytes) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(checksum(bytes)));
    return text;
}

}  // namespace nubivo::live
