// Golden text files: a list of lines compared whole with tests/golden/<name>.txt.
//
//   EXPECT_TRUE(hdmi::test::MatchesGolden(session.LastReport().lines, "edid_base_digital"));
//
// On a mismatch the message shows a line diff ("-" golden, "+" actual, with line numbers and a
// few lines of context). With HDMI_UPDATE_GOLDEN=1 in the environment the file is rewritten
// instead and the check passes; a reviewer then reads the diff of the file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef HDMI_GOLDEN_DIR
#error "HDMI_GOLDEN_DIR must name tests/golden"
#endif

namespace hdmi::test {

inline std::string GoldenPath(const std::string& name) {
    return std::string(HDMI_GOLDEN_DIR) + "/" + name + ".txt";
}

inline bool UpdatingGolden() {
    const char* value = std::getenv("HDMI_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

// The file's lines; a final newline ends the last line rather than starting an empty one.
inline bool ReadGolden(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    lines.clear();
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return true;
}

// A line diff of `golden` against `actual`, at most `limit` lines of output.
inline std::string DiffLines(const std::vector<std::string>& golden, const std::vector<std::string>& actual,
                             size_t limit = 80) {
    // Common head and tail are left out of the comparison.
    size_t head = 0;
    while (head < golden.size() && head < actual.size() && golden[head] == actual[head]) ++head;
    size_t tail = 0;
    while (tail < golden.size() - head && tail < actual.size() - head &&
           golden[golden.size() - 1 - tail] == actual[actual.size() - 1 - tail])
        ++tail;
    const size_t n = golden.size() - head - tail;
    const size_t m = actual.size() - head - tail;

    // Edit script of the middle part: 'same', '-' golden only, '+' actual only.
    struct Op {
        char kind;
        size_t goldenLine, actualLine;
    };
    std::vector<Op> ops;
    if (n * m <= 4'000'000) {
        // Longest common subsequence, suffix table.
        std::vector<uint32_t> lcs((n + 1) * (m + 1), 0);
        auto at = [&](size_t i, size_t j) -> uint32_t& { return lcs[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = golden[head + i] == actual[head + j] ? at(i + 1, j + 1) + 1
                                                                : std::max(at(i + 1, j), at(i, j + 1));
        size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && golden[head + i] == actual[head + j]) {
                ops.push_back({' ', head + i++, head + j++});
            } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
                ops.push_back({'-', head + i++, head + j});
            } else {
                ops.push_back({'+', head + i, head + j++});
            }
        }
    } else {  // too large to align: all of one, then all of the other
        for (size_t i = 0; i < n; ++i) ops.push_back({'-', head + i, head});
        for (size_t j = 0; j < m; ++j) ops.push_back({'+', head + n, head + j});
    }

    constexpr size_t kContext = 2;
    std::ostringstream out;
    size_t written = 0;
    auto emit = [&](const std::string& line) {
        if (written++ < limit) out << line << "\n";
    };
    for (size_t c = std::min(head, kContext); c > 0; --c)
        emit("  " + std::to_string(head - c + 1) + ": " + golden[head - c]);
    bool shownAny = false;
    size_t lastShown = 0;
    for (size_t k = 0; k < ops.size(); ++k) {
        const Op& op = ops[k];
        if (op.kind == ' ') {
            // Context only next to a change.
            bool near = false;
            for (size_t d = 1; d <= kContext; ++d)
                near |= (k >= d && ops[k - d].kind != ' ') || (k + d < ops.size() && ops[k + d].kind != ' ');
            if (!near) continue;
            if (shownAny && lastShown + 1 < k) emit("  ...");
            emit("  " + std::to_string(op.goldenLine + 1) + ": " + golden[op.goldenLine]);
        } else if (op.kind == '-') {
            emit("- " + std::to_string(op.goldenLine + 1) + ": " + golden[op.goldenLine]);
        } else {
            emit("+ " + std::to_string(op.actualLine + 1) + ": " + actual[op.actualLine]);
        }
        lastShown = k;
        shownAny = true;
    }
    for (size_t c = 0; c < std::min(tail, kContext); ++c)
        emit("  " + std::to_string(golden.size() - tail + c + 1) + ": " + golden[golden.size() - tail + c]);
    if (written > limit) out << "(" << written - limit << " more diff lines)\n";
    return out.str();
}

inline ::testing::AssertionResult MatchesGolden(const std::vector<std::string>& actual,
                                                const std::string& name) {
    const std::string path = GoldenPath(name);
    if (UpdatingGolden()) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& line : actual) out << line << '\n';
        if (!out) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess() << "rewrote " << path;
    }
    std::vector<std::string> golden;
    if (!ReadGolden(path, golden)) {
        std::ostringstream shown;
        for (size_t i = 0; i < actual.size() && i < 40; ++i)
            shown << "+ " << (i + 1) << ": " << actual[i] << "\n";
        return ::testing::AssertionFailure()
               << "no golden file " << path << " (HDMI_UPDATE_GOLDEN=1 writes it); the text was:\n"
               << shown.str();
    }
    if (golden == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "text differs from " << path << " (" << golden.size()
                                         << " golden lines, " << actual.size() << " actual):\n"
                                         << DiffLines(golden, actual);
}

}  // namespace hdmi::test
