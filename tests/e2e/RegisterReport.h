// Harness of the HDCP and SCDC report tests: a bus script is synthesized, decoded through the
// exports with a report, and the report rows are rendered compactly so that a test can spell out
// every row of a transaction, or hold them in a golden file:
//
//   "75(HDCP)|0x08|Link verification response(Ri', Rd)|12 34h @3"
//
// is the row whose cells are Address, Offset, Register Name and Data, followed by " @" and the
// colour pair of the Data column when the Data cell holds text (3 ordinary, 6 an acknowledge
// anomaly). An empty cell reads " ", as the report writes it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/Golden.h"
#include "BusSynth.h"
#include "Session.h"

namespace hdmi::register_report {

inline std::shared_ptr<host::Plugin> SharedPlugin() {
    static std::shared_ptr<host::Plugin> plugin = host::Plugin::Load();
    return plugin;
}

inline std::string Render(const host::ReportRow& row) {
    std::string text;
    for (size_t c = 0; c < row.cells.size(); ++c) text += (c > 0 ? "|" : "") + row.cells[c];
    if (row.cells.size() == 4 && row.cells[3] != " " && row.pairs.size() >= 4)
        text += " @" + std::to_string(row.pairs[3]);
    return text;
}

using Rows = std::vector<std::string>;

// A named bus script; a test decodes each on a fresh session and capture of its own.
struct Script {
    const char* name;
    std::function<void(host::BusSynth&)> write;
    bool eightBitAddress = true;
};

class RegisterReportTest : public ::testing::Test {
  protected:
    void SetUp() override { NewSession(); }

    void NewSession() {
        session_ = std::make_unique<host::Session>(SharedPlugin());
        session_->Init();
        session_->Defaults();
        session_->SetReportOutput(host::ReportOutput::Sink);
        session_->SetEightBitAddress(true);  // 74h/75h rather than 3Ah, as HDCP documents name them
    }

    static host::BusSynth Bus() { return host::BusSynth(1'000'000, 100'000); }

    // Decodes the script; the report must arrive whole and well formed.
    const host::ReportText& Decode(const host::BusSynth& bus) {
        capture_ = bus.Build();
        session_->SetCapture(capture_);
        EXPECT_GT(session_->Analyze(), 0u);
        const host::ReportText& report = session_->LastReport();
        EXPECT_TRUE(report.present && report.wellFormed && report.ended);
        EXPECT_TRUE(report.MalformedRows().empty());
        return report;
    }

    // Every row of the report, rendered.
    Rows RowsOf(const host::BusSynth& bus) {
        Rows rows;
        for (const host::ReportRow& row : Decode(bus).Rows()) rows.push_back(Render(row));
        return rows;
    }

    // The rendered rows of every script, each group headed by "# <name>", compared whole with
    // tests/golden/<golden>.txt.
    ::testing::AssertionResult RowsMatchGolden(const std::vector<Script>& scripts,
                                               const std::string& golden) {
        Rows all;
        for (const Script& script : scripts) {
            NewSession();
            session_->SetEightBitAddress(script.eightBitAddress);
            host::BusSynth bus = Bus();
            script.write(bus);
            all.push_back(std::string("# ") + script.name);
            const Rows rows = RowsOf(bus);
            all.insert(all.end(), rows.begin(), rows.end());
        }
        return test::MatchesGolden(all, golden);
    }

    // The whole report text against tests/golden/<name>.txt; HDMI_UPDATE_GOLDEN=1 rewrites the
    // file instead (read the diff before committing it).
    void ExpectGolden(const std::string& name, const host::ReportText& report) {
        EXPECT_TRUE(test::MatchesGolden(report.lines, name));
    }

    std::unique_ptr<host::Session> session_;
    host::Capture capture_;
};

}  // namespace hdmi::register_report
