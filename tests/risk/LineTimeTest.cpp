// The time at the start of a log line, in each layout logs use, and the lines that only look
// like one.
#include <gtest/gtest.h>

#include "orvel/Risk.h"

namespace orvel {
namespace {

TEST(LineTime, ReadsEachLayoutAndRefusesFieldsOutOfRange) {
    const struct {
        const char* line;
        int syslogYear;
        const char* instant; ///< empty when the line has no time at its start
    } rows[] = {
        {"2026-06-07T09:17:41Z INFO ok", 2000, "2026-06-07T09:17:41Z"},
        {"2026-06-07 09:17:41 INFO no zone is UTC", 2000, "2026-06-07T09:17:41Z"},
        {"2026-06-07T09:17:41.987654Z", 2000, "2026-06-07T09:17:41Z"},
        {"2026-06-07 09:17:41,123 WARN", 2000, "2026-06-07T09:17:41Z"},
        {"2026-06-07T11:17:41+02:00 x", 2000, "2026-06-07T09:17:41Z"},
        {"2026-06-07T04:47:41.5-0430 x", 2000, "2026-06-07T09:17:41Z"},
        {"2026-01-01T00:30:00+01:00", 2000, "2025-12-31T23:30:00Z"},
        {"[07/Jun/2026:11:17:41 +0200] \"GET / HTTP/1.1\" 200", 2000, "2026-06-07T09:17:41Z"},
        {"Jun  7 09:17:41 host sshd[812]: accepted", 2026, "2026-06-07T09:17:41Z"},
        {"Jun 17 09:17:41 host", 2026, "2026-06-17T09:17:41Z"},
        {"Feb 29 00:00:00 host", 2024, "2024-02-29T00:00:00Z"},
        {"1780823922 retry", 2000, "2026-06-07T09:18:42Z"},
        {"1780823922.75 retry", 2000, "2026-06-07T09:18:42Z"},
        {"1780823922999 retry", 2000, "2026-06-07T09:18:42Z"},
        {"1780823922", 2000, "2026-06-07T09:18:42Z"},
    };
    for (const auto& row : rows) {
        const auto time = readLineTime(row.line, row.syslogYear);
        EXPECT_EQ(time ? time->text : "", row.instant) << row.line;
    }
    // Out of range or malformed, and runs of digits that are not ten or thirteen long.
    for (const char* line : {"2026-13-07T09:17:41Z",
                             "2026-02-30T09:17:41Z",
                             "2026-06-07T25:17:41Z",
                             "2026-06-07T24:00:00Z",
                             "2026-06-07T09:60:41Z",
                             "2026-06-07T09:17:60Z",
                             "2026-06-07T09:17:41+24:00",
                             "2026-06-07T09:17:41+02",
                             "2026-06-07T09:17:411",
                             "2026-06-07T09:17:41. x",
                             "2026-06-07T09:17 x",
                             "2026-06-07",
                             "0000-01-01T00:00:00+01:00",
                             "x 2026-06-07T09:17:41Z",
                             "[32/Jun/2026:09:17:41 +0000]",
                             "[07/Jux/2026:09:17:41 +0000]",
                             "[07/Jun/2026:09:17:41]",
                             "[07/Jun/2026:09:17:41 +0000",
                             "Feb 29 00:00:00 h",
                             "Jun 31 09:17:41 h",
                             "jun  7 09:17:41 h",
                             "Jun  7 9:17:41 h",
                             "Jun 123 09:17:41 h",
                             "178082392 nine",
                             "17808239221 eleven",
                             "178082392299 twelve",
                             "17808239229999 fourteen",
                             "1780823922abc",
                             "1780823922.x",
                             "1780823922999.5",
                             ""}) {
        EXPECT_FALSE(readLineTime(line, 2026)) << line;
    }
    // The instant and its text agree.
    EXPECT_EQ(readLineTime("1780823922", 0)->instant.time_since_epoch(), std::chrono::seconds{1780823922});
}

} // namespace
} // namespace orvel
