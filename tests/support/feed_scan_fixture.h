#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "feed/scan_feed.h"
#include "images/condition_icon.h"
#include "state/viewer_state.h"

namespace nubivo::test {

// Scans feeds held in memory into a fresh record, with the icon's URL taken but never
// fetched.
class FeedScanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        setIconDownloadEnabled(false);
    }
    void TearDown() override {
        setIconDownloadEnabled(true);
        resetViewerState();
    }

    static void scan(const std::string& body) {
        scanFeed(body.data(), static_cast<int32_t>(body.size()));
    }
};

}  // namespace nubivo::test
