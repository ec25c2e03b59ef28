// Shared by the descriptor and extension report tests: a host session on the built plug-in, a
// bus script decoded to the report the host receives, and whole-report comparison with a golden
// file in tests/golden/edid_<name>.txt. HDMI_UPDATE_GOLDEN=1 rewrites the files instead; read the
// diff before committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "../support/Golden.h"
#include "BusSynth.h"
#include "Session.h"

namespace hdmi::edidtest {

inline std::shared_ptr<host::Plugin> SharedPlugin() {
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::Load();
    return plugin;
}

// Sets the last byte of a 128-byte block so that the block sums to 0.
inline std::vector<uint8_t> WithChecksum(std::vector<uint8_t> block) {
    EXPECT_EQ(block.size(), 128u);
    block.back() = 0;
    block.back() = static_cast<uint8_t>(0x100 - std::accumulate(block.begin(), block.end(), 0u) % 0x100);
    return block;
}

// Pads the bytes of a block's start with zeros to 127 bytes and appends the checksum.
inline std::vector<uint8_t> Block(const std::vector<uint8_t>& start) {
    std::vector<uint8_t> block = start;
    EXPECT_LE(block.size(), 127u);
    block.resize(128, 0);
    return WithChecksum(block);
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class EdidReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session_ = std::make_unique<host::Session>(SharedPlugin());
        session_->Init();
        session_->Defaults();
        session_->SetReportOutput(host::ReportOutput::Sink);
    }

    // Decodes the bus script and returns the report as the host received it.
    const host::ReportText& Report(const host::BusSynth& bus) {
        capture_ = bus.Build();
        session_->SetCapture(capture_);
        EXPECT_GT(session_->Analyze(), 0u);
        const host::ReportText& report = session_->LastReport();
        EXPECT_TRUE(report.present && report.wellFormed && report.ended);
        EXPECT_TRUE(report.MalformedRows().empty());
        return report;
    }

    // Compares the whole report text with the golden file, or rewrites the file on request.
    void ExpectGolden(const std::string& name, const host::ReportText& report) {
        EXPECT_TRUE(test::MatchesGolden(report.lines, "edid_" + name));
    }

    // The report rows in order as (name cell, data cell) pairs, for checks of a few rows.
    std::vector<std::pair<std::string, std::string>> NamesAndData(const host::ReportText& report) {
        std::vector<std::pair<std::string, std::string>> rows;
        for (const host::ReportRow& row : report.Rows())
            if (row.cells.size() == 4) rows.emplace_back(row.cells[2], row.cells[3]);
        return rows;
    }

    std::unique_ptr<host::Session> session_;
    host::Capture capture_;
};

}  // namespace hdmi::edidtest
