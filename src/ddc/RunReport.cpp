// The report driver: sets up the writer's columns and colours, runs the classifier passes and keeps
// the finished section for the host.
#include <memory>
#include <new>

#include "ddc/DdcDecoder.h"
#include "ddc/ReportWriter.h"
#include "plugin/Colors.h"

namespace hdmi {
namespace {

struct ColourPair {
    uint32_t text;
    uint32_t fill;
};

// Entries of the label colour tables that the report's fixed colours come from.
constexpr int kGreenFill = 3;   // 0xCCFFCC
constexpr int kYellowFill = 4;  // 0xFFFFCC
constexpr int kWhiteFill = 7;   // 0xFFFFFF
constexpr int kRedFill = 14;    // 0x3333E1, the text colour of anomalies

// Pairs 0..3 are the ordinary colours of the four columns, pairs 4..7 the same fills with red text
// for anomalies and statistics. Only the address column follows the user's "Address" colour slot.
void SetReportColours(CReportWriter& writer, const HostDecodeContext& context) {
    const uint32_t slot = ColorIndexOfSlot(context.ColorSlotsLow, context.ColorSlotsHigh, kSlotAddress);
    const uint32_t red = kLabelFillColors[kRedFill];
    const ColourPair pairs[] = {
        {kLabelTextColors[slot], kLabelFillColors[slot]},
        {kLabelTextColors[kGreenFill], kLabelFillColors[kGreenFill]},
        {kLabelTextColors[kYellowFill], kLabelFillColors[kYellowFill]},
        {kLabelTextColors[kWhiteFill], kLabelFillColors[kWhiteFill]},
        {red, kLabelFillColors[slot]},
        {red, kLabelFillColors[kGreenFill]},
        {red, kLabelFillColors[kWhiteFill]},
        {red, kLabelFillColors[kYellowFill]},
    };
    for (int k = 0; k < static_cast<int>(std::size(pairs)); ++k)
        writer.SetColourPair(k, pairs[k].text, pairs[k].fill);
}

}  // namespace

void CDdcDecoder::RunReport(HostDecodeContext& context) {
    host = &context;
    const int64_t n = positions.Count();
    reportMapping.Close();

    std::unique_ptr<CReportWriter> writer(new (std::nothrow) CReportWriter);
    if (!writer || !writer->Open(context, n)) return;

    for (int c = 0; c < CReportWriter::kMaxColumns && kReportColumns[c] != nullptr; ++c)
        writer->SetColumnTitle(c, kReportColumns[c]);
    SetReportColours(*writer, context);
    writer->WriteHeader();
    for (int c = 0; c < 4; ++c) writer->SetColumnColour(c, c);

    const uint32_t count = static_cast<uint32_t>(n);
    if (context.DecodeFlags & kDecodeStatistics)
        StatisticsPass(count, *writer);
    else
        ClassifyTransactions(count, *writer);
    reportMapping = writer->Finish();
}

}  // namespace hdmi
