#include <gtest/gtest.h>

#include "sim/kvunit/unit_script.h"

namespace np::kvunit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes all_bytes(const Parsed& parsed) {
    Bytes bytes;
    for (const Step& s : parsed.steps)
        bytes.insert(bytes.end(), s.bytes.begin(), s.bytes.end());
    return bytes;
}

TEST(UnitScript, SplitCutsLaterCommandsIntoPausedChunks) {
    Splitting splitting;
    EXPECT_TRUE(parse_command("split 3 20", splitting).steps.empty());
    const Parsed p = parse_command("frame O 101", splitting);
    ASSERT_EQ(p.steps.size(), 2u);
    EXPECT_EQ(p.steps[0].bytes, (Bytes{2, 'O', 101}));
    EXPECT_EQ(p.steps[0].pause_ms, 20);
    EXPECT_EQ(all_bytes(p), (Bytes{2, 'O', 101, 3}));
    parse_command("split 0 0", splitting);
    EXPECT_EQ(parse_command("frame O 101", splitting).steps.size(), 1u);
}

TEST(UnitScript, NoiseBadEtxRawAndSilence) {
    Splitting splitting;
    const Bytes noise = all_bytes(parse_command("noise 200", splitting));
    ASSERT_EQ(noise.size(), 200u);
    for (std::uint8_t b : noise)
        EXPECT_TRUE(b != 0 && b != 2 && b != 3);
    EXPECT_EQ(all_bytes(parse_command("badetx V 180", splitting)), (Bytes{2, 'V', 180, 'x'}));
    EXPECT_EQ(all_bytes(parse_command("raw 0x02 0 255", splitting)), (Bytes{2, 0, 255}));
    const Parsed wait = parse_command("wait 250", splitting);
    ASSERT_EQ(wait.steps.size(), 1u);
    EXPECT_TRUE(wait.steps[0].bytes.empty());
    EXPECT_EQ(wait.steps[0].pause_ms, 250);
    EXPECT_TRUE(parse_command("  # comment", splitting).steps.empty());
}

TEST(UnitScript, RejectsWhatItCannotPlay) {
    Splitting splitting;
    for (const char* line :
         {"exposure 1 2 3", "frame OO 1", "raw 256", "noise -1", "wait x", "fly", "split 1"})
        EXPECT_TRUE(parse_command(line, splitting).error) << line;
}

}  // namespace
}  // namespace np::kvunit
