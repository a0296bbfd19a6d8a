#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/live/gfs_inventory.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// How a request to the model's bucket ended: with what was asked, with the object not (yet)
// there (404: a run still being written), or without a usable answer (the bucket out of
// reach, refusing, or answering something else).
enum class BucketOutcome { Got, Missing, Failed };

struct InventoryFetch {
    BucketOutcome outcome = BucketOutcome::Failed;
    std::vector<InventoryRecord> records;
    size_t bytes = 0;  // body bytes received
    std::string error;
};

// Fetches and reads the inventory at `url` (a file's URL plus ".idx"). A damaged inventory
// fails.
InventoryFetch fetchInventory(UpstreamClient& upstream, const std::string& url);

// The bytes of one record, in the order asked, to `take`; false from `take` stops the
// reading.
using RecordSink = std::function<bool(size_t index, std::string_view bytes)>;

struct RecordsFetch {
    BucketOutcome outcome = BucketOutcome::Failed;
    size_t bytes = 0;      // body bytes received
    int32_t requests = 0;  // requests sent
    std::string error;
};

// Reads records of the file at `url` by HTTP Range requests, one range a request: records
// that follow each other without a gap share one, and no request bridges a gap. `ranges`
// must be in file order. Each answer must be a 206 of exactly the bytes asked (or a 200 of
// the whole file, when it is that short); a server that ignores the range is cut off once it
// sends more than was asked.
RecordsFetch fetchRecords(UpstreamClient& upstream, const std::string& url,
                          const std::vector<ByteRange>& ranges, const RecordSink& take);

}  // namespace nubivo::live
