// Capture files through the readers and the plug-in: real captures of displays, and files the
// writers made of synthesized traffic, decode to the bus transactions that are really in them.
//
// A transaction is written as the lists beside the real captures write it: "S 50 W acks=AA",
// then its data bytes, and "P" for a stop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/Plugin.h"
#include "../support/TempDir.h"
#include "CaptureFile.h"
#include "CsvFile.h"
#include "SigrokFile.h"
#include "VcdFile.h"
#include "i2c/DdcPacket.h"

namespace hdmi {
namespace {

namespace fs = std::filesystem;
using host::BusSynth;
using host::Capture;
using test::TempDir;

// One start (or repeated start) with what followed it, or a stop.
struct Record {
    std::string head;  // "S 50 W acks=AA", or "P"
    std::vector<uint8_t> data;

    std::string Text() const {
        std::string text = head;
        if (!data.empty()) text += " data=" + Hex();
        return text;
    }
    std::string Hex() const {
        std::string hex;
        char byte[4];
        for (uint8_t b : data) {
            std::snprintf(byte, sizeof byte, "%s%02X", hex.empty() ? "" : " ", b);
            hex += byte;
        }
        return hex;
    }
};

std::vector<std::string> Texts(const std::vector<Record>& records) {
    std::vector<std::string> texts;
    for (const Record& r : records) texts.push_back(r.Text());
    return texts;
}

// The transactions list beside a real capture.
std::vector<std::string> ReadTransactionList(const std::string& path) {
    std::ifstream in(path);
    std::vector<Record> records;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == ' ') {
            std::istringstream bytes(line);
            std::string hex;
            while (bytes >> hex) records.back().data.push_back(uint8_t(std::stoi(hex, nullptr, 16)));
        } else {
            records.push_back({line, {}});
        }
    }
    return Texts(records);
}

// The same from the packets the plug-in decoded (7-bit addressing).
std::vector<std::string> FromPackets(const std::vector<host::Packet>& packets) {
    std::vector<Record> records;
    std::string start, address, direction, acks;
    std::vector<uint8_t> data;
    bool open = false;
    auto flush = [&] {
        if (open) records.push_back({start + " " + address + " " + direction + " acks=" + acks, data});
        open = false;
        address = direction = acks = "";
        data.clear();
    };
    for (const host::Packet& p : packets) {
        if (p.closing) continue;
        char hex[8];
        switch (p.kind) {
            case Start:
            case RepeatedStart:
                flush();
                open = true;
                start = p.kind == Start ? "S" : "Sr";
                break;
            case Address:
                std::snprintf(hex, sizeof hex, "%02X", p.value);
                address = hex;
                break;
            case ReadWrite:
                direction = p.value ? "R" : "W";
                break;
            case Ack:
                acks += p.value ? "N" : "A";
                break;
            case Data:
                data.push_back(uint8_t(p.value));
                break;
            case Stop:
                flush();
                records.push_back({"P", {}});
                break;
            default:
                break;
        }
    }
    flush();
    return Texts(records);
}

class CaptureDecodeTest : public test::PluginTest {
  protected:
    // Reads `path` keeping the channels named SCL and SDA, decodes it, returns the transactions.
    std::vector<std::string> DecodeFile(const std::string& path) {
        int scl = -1;
        int sda = -1;
        host::ReadOptions options;
        options.select = [&](const Capture& header) {
            scl = header.FindChannel("SCL");
            sda = header.FindChannel("SDA");
            host::Levels keep;
            if (scl >= 0) keep.Set(scl, true);
            if (sda >= 0) keep.Set(sda, true);
            return keep;
        };
        Capture capture = host::ReadCapture(path, options);
        EXPECT_GE(scl, 0);
        EXPECT_GE(sda, 0);
        session().SetChannels(scl, sda);
        EXPECT_GT(Analyze(std::move(capture)), 0u);
        return FromPackets(session().Packets());
    }
};

// ---- Real captures -----------------------------------------------------------------------------------

std::vector<std::string> RealCaptures() {
    std::vector<std::string> captures;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(HDMI_CAPTURES_DIR, error))
        if (entry.path().extension() == ".sr") captures.push_back(entry.path().string());
    std::sort(captures.begin(), captures.end());
    return captures;
}

std::string ListFor(const std::string& capture) {
    return capture.substr(0, capture.size() - 3) + ".transactions.txt";
}

TEST_F(CaptureDecodeTest, RealCapturesDecodeToTheirTransactionLists) {
    const std::vector<std::string> captures = RealCaptures();
    if (captures.empty()) GTEST_SKIP() << "no real captures in " << HDMI_CAPTURES_DIR;
    for (const std::string& capture : captures) {
        SCOPED_TRACE(capture);
        const std::vector<std::string> expected = ReadTransactionList(ListFor(capture));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(DecodeFile(capture), expected);
    }
}

TEST_F(CaptureDecodeTest, RealCapturesWrittenAsVcdAndCsvDecodeTheSame) {
    const std::vector<std::string> captures = RealCaptures();
    if (captures.empty()) GTEST_SKIP() << "no real captures in " << HDMI_CAPTURES_DIR;
    TempDir dir;
    for (const std::string& capture : captures) {
        SCOPED_TRACE(capture);
        const std::vector<std::string> expected = ReadTransactionList(ListFor(capture));
        const Capture original = host::ReadCapture(capture);
        host::WriteVcd(dir.File("c.vcd"), original);
        host::WriteCsv(dir.File("c.csv"), original);
        host::WriteSigrok(dir.File("c.sr"), original);
        EXPECT_EQ(DecodeFile(dir.File("c.vcd")), expected) << "VCD";
        EXPECT_EQ(DecodeFile(dir.File("c.csv")), expected) << "CSV";
        EXPECT_EQ(DecodeFile(dir.File("c.sr")), expected) << "sigrok, rewritten";
    }
}

// ---- Synthesized traffic written by the writers --------------------------------------------------------

// Transactions that are both played on the bus and written down as the expected list.
class Traffic {
  public:
    explicit Traffic(BusSynth& bus) : bus_(bus) {}

    // START addr, bytes written (each acked unless listed in `nacked`), then either a repeated
    // start and a read, or a stop.
    Traffic& Write(uint8_t address, std::vector<uint8_t> bytes, bool stop = true, int nackAt = -1) {
        Start(address, false);
        std::string acks = "A";
        for (size_t i = 0; i < bytes.size(); ++i) {
            const bool ack = int(i) != nackAt;
            bus_.byte(bytes[i], ack);
            acks += ack ? "A" : "N";
        }
        records_.push_back({head_ + acks, bytes});
        if (stop) Stop();
        return *this;
    }
    Traffic& Read(uint8_t address, std::vector<uint8_t> bytes) {
        Start(address, true);
        bus_.read(bytes);
        std::string acks = "A";
        for (size_t i = 0; i < bytes.size(); ++i) acks += i + 1 < bytes.size() ? "A" : "N";
        records_.push_back({head_ + acks, bytes});
        return Stop();
    }
    Traffic& NackedAddress(uint8_t address) {
        Start(address, false, false);
        records_.push_back({head_ + "N", {}});
        return Stop();
    }
    std::vector<std::string> Expected() const { return Texts(records_); }

  private:
    void Start(uint8_t address, bool read, bool ack = true) {
        char text[32];
        std::snprintf(text, sizeof text, "%s %02X %s acks=", open_ ? "Sr" : "S", address, read ? "R" : "W");
        head_ = text;
        if (open_) {
            bus_.restart();
        } else {
            bus_.start();
        }
        bus_.byte(uint8_t(address << 1 | (read ? 1 : 0)), ack);
        open_ = true;
    }
    Traffic& Stop() {
        bus_.stop().idle(50'000);
        records_.push_back({"P", {}});
        open_ = false;
        return *this;
    }

    BusSynth& bus_;
    std::vector<Record> records_;
    std::string head_;
    bool open_ = false;
};

TEST_F(CaptureDecodeTest, WrittenFilesOfEveryFormatDecodeToTheTrafficPlayed) {
    // SCL on channel 3 and SDA on channel 1, with a busy channel 2 in between.
    BusSynth bus(10'000'000, 100'000, 3, 1);
    Traffic traffic(bus);
    std::vector<uint8_t> block(128);
    for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 7 + 3);
    traffic.NackedAddress(0x50);
    traffic.Write(0x30, {0x01}, false).Write(0x50, {0x80}, false).Read(0x50, block);  // E-DDC segment 1
    bus.otherChannel(2, true);
    traffic.Write(0x3A, {0x18, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});  // HDCP An
    traffic.Write(0x3A, {0x08}, false).Read(0x3A, {0x5A, 0xA5});                  // Ri'
    bus.otherChannel(2, false);
    traffic.Write(0x54, {0x20, 0x03});           // SCDC write
    traffic.Write(0x54, {0x10, 0xFF}, true, 1);  // data byte NACKed
    traffic.Read(0x3A, {0x12, 0x34});            // short read
    Capture capture = bus.Take();
    capture.SetChannelName(1, "sda");
    capture.SetChannelName(2, "hpd");
    capture.SetChannelName(3, "scl");

    TempDir dir;
    host::WriteSigrok(dir.File("t.sr"), capture);
    host::WriteVcd(dir.File("t.vcd"), capture);
    host::WriteCsv(dir.File("t.csv"), capture);
    const std::vector<std::string> expected = traffic.Expected();
    for (const char* name : {"t.sr", "t.vcd", "t.csv"})
        EXPECT_EQ(DecodeFile(dir.File(name)), expected) << name;
}

}  // namespace
}  // namespace hdmi
