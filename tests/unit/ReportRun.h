// A report run as the host asks for it: a host decode context with the sink (or a section name),
// an abort flag, and a decoder whose streams are filled by a PacketScript.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterpreterTables.h"
#include "PacketScript.h"
#include "ReportCapture.h"
#include "plugin/Colors.h"

namespace hdmi::testing {

// The header with the "Address" colour slot on colour index 4 (FFFFCC).
inline const std::string kHeader =
    "||000000FFFFFF"
    "000000FFFFCC000000CCFFCC000000FFFFCC000000FFFFFF"
    "3333E1FFFFCC3333E1CCFFCC3333E1FFFFFF3333E1FFFFCC"
    "||Clock,Address(h),Offset(h),EDID Register Name,EDID Data\r\n";

// The colour digits of a row with the ordinary column pairs 0..3.
inline const std::string kPlain = "|@0123456789|@";

class ReportRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetSink();
        context_.ReportLineSink = CollectLine;
        context_.AbortFlag = &abort_;
        SetColorIndexOfSlot(context_.ColorSlotsLow, context_.ColorSlotsHigh, kSlotAddress, 4);
    }

    // The lines the sink received for a report over `script`.
    std::vector<std::string> Report(const PacketScript& script) {
        script.LoadInto(decoder_);
        decoder_.RunReport(context_);
        EXPECT_EQ(Sink().endCalls, 1);
        EXPECT_FALSE(Sink().lineAfterEnd);
        EXPECT_FALSE(Sink().lengthMismatch);
        return Sink().lines;
    }

    // The cells of every row line (the header left out).
    static std::vector<std::vector<std::string>> CellRows(const std::vector<std::string>& lines) {
        std::vector<std::vector<std::string>> rows;
        for (size_t k = 1; k < lines.size(); ++k) rows.push_back(CellsOf(lines[k]));
        return rows;
    }

    HostDecodeContext context_{};
    volatile uint32_t abort_ = 0;
    TestDecoder decoder_;
};

}  // namespace hdmi::testing
