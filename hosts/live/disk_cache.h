#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nubivo::live {

std::string checksumText(std::string_view bytes);

// Files of the host's cache under one folder. A file is written whole to a temporary name in
// its folder and renamed over the old one, so a reader finds the old file or the new one,
// never a part. Folders it makes are private to the user (0700) and its files too (0600),
// whatever the umask. An empty folder name keeps nothing on disk. Reading never trusts a file:
// callers check what they read. Thread-safe (each write has a temporary name of its own).
class DiskCache {
  public:
    explicit DiskCache(std::string folder);

    bool enabled() const { return !folder_.empty(); }
    const std::string& folder() const { return folder_; }

    // Writes `bytes` as `name` (a path relative to the folder, e.g. "weather/0123.json"),
    // making the folders it needs. False when the file could not be written whole.
    bool write(const std::string& name, std::string_view bytes) const;

    // The bytes of `name`, or nullopt when it is missing, unreadable, not a plain file or
    // over `maxBytes`.
    std::optional<std::string> read(const std::string& name, size_t maxBytes) const;

    // A file name for any key: its checksumText.
    static std::string fileKey(std::string_view key) { return checksumText(key); }

    // The folder the host keeps its cache in without --cache-dir:
    // $XDG_CACHE_HOME/nubivo-weather-viewer, or ~/.cache/nubivo-weather-viewer; "" when
    // neither variable names an absolute folder.
    static std::string defaultFolder();

  private:
    std::string folder_;
};

// A short FNV-1a hash of `bytes`, to tell a cached picture from a damaged one, and the same
// as 16 hex digits.
uint64_t checksum(std::string_view bytes);
std::string checksumText(std::string_view bytes);

}  // namespace nubivo::live
