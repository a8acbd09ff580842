// Generic.dll as the driver binds it: by plain export names, settings in a sandbox.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/sensor_lines.h"
#include "common/version_record.h"
#include "common/win32_handles.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

constexpr const char* kPath = "NORVANE\\PANO";

class GenericModule : public ::testing::Test {
  protected:
    void SetUp() override {
        module_.reset(::LoadLibraryA("Generic.dll"));
        ASSERT_TRUE(module_);
        open_ = entry<contract::OpenCommPortFn>("OpenCommPort");
        read_ = entry<contract::ReadCommDataFn>("ReadCommData");
        rearrange_ = entry<contract::ReArrangementFn>("ReArrangement");
        timing_ = entry<contract::GetTimingFn>("GetTiming");
        mirror_ = entry<contract::BHaveToMirrorFn>("bHaveToMirror");
        post_ = entry<contract::BPostProcessFn>("bPostProcess");
        resolution_ = entry<contract::BResolutionFn>("bResolution");
        combine_ = entry<contract::NCanCombineAtmFn>("nCanCombineATM");
        version_ = entry<VersionRecord* (*)()>("pKXGetVersion");
    }

    template <typename Fn>
    Fn entry(const char* name) {
        auto address = ::GetProcAddress(module_.get(), name);
        EXPECT_NE(address, nullptr) << name;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
    }

    std::vector<std::uint16_t> rearranged(const std::vector<std::uint16_t>& raw) {
        std::vector<std::uint16_t> out(raw.size(), 0xFFFF);
        rearrange_(out.data(), static_cast<int>(raw.size()), raw.data());
        return out;
    }

    RegistrySandbox sandbox_{"NORVANE"};
    UniqueModule module_;
    contract::OpenCommPortFn open_{};
    contract::ReadCommDataFn read_{};
    contract::ReArrangementFn rearrange_{};
    contract::GetTimingFn timing_{};
    contract::BHaveToMirrorFn mirror_{};
    contract::BPostProcessFn post_{};
    contract::BResolutionFn resolution_{};
    contract::NCanCombineAtmFn combine_{};
    VersionRecord* (*version_)(){};
};

std::vector<std::uint16_t> counting_lines(int lines) {
    std::vector<std::uint16_t> raw(static_cast<std::size_t>(lines) * kSamplesPerLine);
    std::iota(raw.begin(), raw.end(), std::uint16_t{1});
    return raw;
}

TEST_F(GenericModule, ScansForwardUntilRotationSaysOtherwise) {
    EXPECT_FALSE(mirror_());  // before OpenCommPort
    EXPECT_EQ(open_(), 0);
    EXPECT_FALSE(mirror_());
    const auto raw = counting_lines(2);
    const auto forward = rearranged(raw);
    for (int line = 0; line < 2; ++line) {
        const std::uint16_t* in = raw.data() + line * kSamplesPerLine;
        const std::uint16_t* out = forward.data() + line * kSamplesPerLine;
        for (int k = 0; k < kTapPairs; ++k) {
            ASSERT_EQ(out[k], in[2 * k]);
            ASSERT_EQ(out[kTapPairs + k], in[2 * k + 1]);
        }
    }

    for (const char* rotation : {"0", "2", "abc"}) {
        sandbox_.set_user_text(kPath, "Rotation", rotation);
        EXPECT_EQ(open_(), 0);
        EXPECT_TRUE(mirror_()) << rotation;
        const auto reversed = rearranged(raw);
        for (int line = 0; line < 2; ++line)
            for (int j = 0; j < kSamplesPerLine; ++j)
                ASSERT_EQ(reversed[line * kSamplesPerLine + kSamplesPerLine - 1 - j],
                          forward[line * kSamplesPerLine + j]);
    }

    sandbox_.set_user_text(kPath, "Rotation", " 1");
    open_();
    EXPECT_FALSE(mirror_());
    sandbox_.clear();
    sandbox_.set_machine_text(kPath, "Rotation", "0");
    open_();
    EXPECT_TRUE(mirror_()) << "machine key read when the user key has no value";
}

TEST_F(GenericModule, TimingFromTheSettings) {
    int gaps[kMaxSections];
    std::fill(std::begin(gaps), std::end(gaps), -3);
    EXPECT_EQ(timing_(17, gaps), 500);
    EXPECT_EQ(gaps[0], 10);
    for (int k = 1; k < kMaxSections; ++k)
        EXPECT_EQ(gaps[k], -3);

    sandbox_.set_user_text(kPath, "TimeOut", "abc");
    gaps[0] = 0;
    EXPECT_EQ(timing_(0, gaps), 0);
    EXPECT_EQ(gaps[0], 10);
    sandbox_.set_user_text(kPath, "TimeOut", "750");
    EXPECT_EQ(timing_(0, gaps), 750);
    EXPECT_EQ(gaps[1], -3);
}

TEST_F(GenericModule, RecordIsFixed) {
    AcquisitionRecord record;
    std::memset(&record, 0xAB, sizeof record);
    EXPECT_EQ(read_(reinterpret_cast<HWND>(0x1234), &record), 0);
    EXPECT_EQ(record.program, 255);
    EXPECT_EQ(record.unit_specific, 77);
    EXPECT_EQ(record.kv, 0.0f);
    EXPECT_EQ(record.ma, 0.0f);
    EXPECT_EQ(record.exposure_time, 0.0f);
    EXPECT_EQ(record.valid, 1264u);
    EXPECT_EQ(record.section_count, 5);
    const std::int16_t starts[] = {0, 550, 1100, 1650, 2200};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(record.sections[k].start, starts[k]);
        EXPECT_EQ(record.sections[k].width, 500);
    }
    for (int k = 5; k < kMaxSections; ++k) {
        EXPECT_EQ(record.sections[k].start, 0);
        EXPECT_EQ(record.sections[k].width, 0);
    }
    AcquisitionRecord again{};
    EXPECT_EQ(read_(nullptr, &again), 0);
    EXPECT_EQ(std::memcmp(&record, &again, sizeof record), 0);
}

TEST_F(GenericModule, ResolutionAndCombinationAreOneBody) {
    EXPECT_EQ(reinterpret_cast<void*>(resolution_), reinterpret_cast<void*>(combine_));
    double x = 1.5, y = 2.5;
    EXPECT_EQ(resolution_(&x, &y), 0);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2.5);
    EXPECT_EQ(combine_(180, 181), 0);
}

TEST_F(GenericModule, PostProcessBalancesColumns) {
    const int width = 41, height = 1244, stride = 44;
    std::vector<std::uint8_t> image(stride * height, 128);
    EXPECT_TRUE(post_(image.data(), width, height));
    EXPECT_EQ(image, std::vector<std::uint8_t>(stride * height, 128));
    for (int j = 0; j < height; ++j)
        image[j * stride + 20] = 90;
    EXPECT_TRUE(post_(image.data(), width, height));
    EXPECT_GT(image[20], 90);
    EXPECT_EQ(image[6], 128);
    EXPECT_FALSE(post_(image.data(), 14, height));
    EXPECT_FALSE(post_(nullptr, width, height));
}

TEST_F(GenericModule, VersionRecord) {
    VersionRecord* record = version_();
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->name, "DLL Generic");
    EXPECT_STREQ(record->version, "3.0.0.0");
    EXPECT_STREQ(record->date, "15 March 2002");
    EXPECT_EQ(record->next, nullptr);
}

}  // namespace
}  // namespace np
