#include "hosts/live/gfs_fetch.h"

#include <optional>

namespace nubivo::live {
namespace {

// An inventory is some 50 kB; a record of the model's 0.25 degree grid about 0.5 MB.
constexpr size_t maxInventoryBytes = 2u * 1024u * 1024u;
// The last record of a file has no end in the inventory: it is read to the file's end, up to
// this much.
constexpr uint64_t maxOpenRecordBytes = 16u * 1024u * 1024u;

// "bytes 100-199/5000" (the total may be "*"): the first and last byte sent.
std::optional<std::pair<uint64_t, uint64_t>> contentRange(std::string_view value) {
    if (value.substr(0, 6) != "bytes ")
        return std::nullopt;
    value.remove_prefix(6);
    const size_t dash = value.find('-');
    const size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    const std::optional<uint64_t> first = wholeNumber(value.substr(0, dash));
    const std::optional<uint64_t> last = wholeNumber(value.substr(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    return std::pair{*first, *last};
}

std::string headerOf(const UpstreamAnswer& answer, const char* name) {
    const auto found = answer.headers.find(name);
    return found == answer.headers.end() ? std::string() : found->second;
}

}  // namespace

InventoryFetch fetchInventory(UpstreamClient& upstream, const std::string& url) {
    InventoryFetch fetch;
    UpstreamRequest request;
    request.maxBodyBytes = maxInventoryBytes;
    const UpstreamAnswer reply = upstream.get(Service::ModelGrid, url, request);
    fetch.bytes = reply.body.size();
    if (reply.received && reply.status == 404) {
        fetch.outcome = BucketOutcome::Missing;
        return fetch;
    }
    if (!reply.received || reply.status != 200) {
        fetch.error = reply.error;
        return fetch;
    }
    auto records = parseInventory(reply.body);
    if (!records) {
        fetch.error = "a damaged inventory";
        return fetch;
    }
    fetch.outcome = BucketOutcome::Got;
    fetch.records = std::move(*records);
    return fetch;
}

RecordsFetch fetchRecords(UpstreamClient& upstream, const std::string& url,
                          const std::vector<ByteRange>& ranges, const RecordSink& take) {
    RecordsFetch fetch;
    for (size_t begin = 0; begin < ranges.size();) {
        size_t end = begin + 1;
        while (end < ranges.size() && ranges[end - 1].last &&
               *ranges[end - 1].last + 1 == ranges[end].first) {
            ++end;
        }
        const uint64_t first = ranges[begin].first;
        const std::optional<uint64_t> last = ranges[end - 1].last;
        UpstreamRequest request;
        request.headers.push_back("Range: bytes=" + std::to_string(first) + "-" +
                                  (last ? std::to_string(*last) : std::string()));
        request.maxBodyBytes = last ? *last - first + 1 : maxOpenRecordBytes;
        const UpstreamAnswer reply = upstream.get(Service::ModelGrid, url, request);
        fetch.requests += reply.sent ? 1 : 0;
        fetch.bytes += reply.body.size();
        if (reply.received && reply.status == 404) {
            fetch.outcome = BucketOutcome::Missing;
            return fetch;
        }
        if (!reply.received) {
            fetch.error = reply.error;
            return fetch;
        }
        // Where the bytes asked for begin in the body.
        std::string_view body = reply.body;
        if (reply.status == 206) {
            const auto sent = contentRange(headerOf(reply, "content-range"));
            if (!sent || sent->first != first || (last && sent->second != *last) ||
                sent->second - sent->first + 1 != body.size()) {
                fetch.error = "an answer of other bytes than asked";
                return fetch;
            }
        } else if (reply.status == 200 && body.size() > (last ? *last : first)) {
            body = body.substr(first, last ? *last - first + 1 : std::string_view::npos);
        } else {
            fetch.error = "HTTP status " + std::to_string(reply.status) + " for a range";
            return fetch;
        }
        for (size_t i = begin; i < end; ++i) {
            const uint64_t from = ranges[i].first - first;
            const uint64_t to = ranges[i].last ? *ranges[i].last - first + 1 : body.size();
            if (to > body.size() || from >= to) {
                fetch.error = "an answer shorter than the records asked";
                return fetch;
            }
            if (!take(i, body.substr(from, to - from))) {
                fetch.error = "a record that cannot be read";
                return fetch;
            }
        }
        begin = end;
    }
    fetch.outcome = BucketOutcome::Got;
    return fetch;
}

}  // namespace nubivo::live
