// Scanlink_demo under Wine: the demonstration file found through "InstallDir", served
// without a module, through a module without console and through a console, and the
// operator told when the file cannot be used.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "common/acquisition_record.h"
#include "tools/wintest/address_space_hog.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"

namespace {

using np::testing::DeliveredImage;
using np::testing::file_bytes;
using np::testing::kImageMessage;
using np::testing::program_directory;
constexpr const char* kConsole = "NORVANE\\SIMULATOR\\CONSOLE";

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// Grey level of the test files at column x, row y from the top: never 0.
std::uint8_t grey_at(int x, int y) {
    return static_cast<std::uint8_t>(1 + (x * 3 + y * 7) % 250);
}

// Uncompressed 8-bit grey, one strip without byte counts.
std::string grey_tiff(int width, int height) {
    std::string file = {'I', 'I', 42, 0};
    put(file, 8 + static_cast<std::uint32_t>(width) * height, 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            file.push_back(static_cast<char>(grey_at(x, y)));
    const std::uint32_t entries[][3] = {{256, 4, static_cast<std::uint32_t>(width)},
                                        {257, 4, static_cast<std::uint32_t>(height)},
                                        {258, 3, 8},
                                        {273, 4, 8}};
    put(file, 4, 2);
    for (const auto& e : entries) {
        put(file, e[0], 2);
        put(file, e[1], 2);
        put(file, 1, 4);
        put(file, e[2], 4);
    }
    put(file, 0, 4);
    return file;
}

// Scanlink_demo with the demonstration directory in a temporary folder, a host window,
// and an adaptation module beside this program (or none).
class DemoDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        install_dir_ = std::string(temp) + "np-demo-install";
        ::CreateDirectoryA(install_dir_.c_str(), nullptr);
        demo_file_ = install_dir_ + "\\DEMO0001.TIF";
        ::DeleteFileA(demo_file_.c_str());
        registry_.set_machine_text("NORVANE", "InstallDir", install_dir_);
        adaptation_.remove();
    }
    void TearDown() override {
        driver_.close();
        driver_.unload();
        ::DeleteFileA(demo_file_.c_str());
        ::RemoveDirectoryA(install_dir_.c_str());
    }

    void install_adaptation(const char* module) { ASSERT_TRUE(adaptation_.install(module)); }
    void install_demo_file(const std::string& bytes) {
        ASSERT_TRUE(np::testing::put_file(demo_file_.c_str(), bytes)) << demo_file_;
    }

    void load_driver() { ASSERT_EQ(driver_.load("Scanlink_demo.dll"), ""); }
    int open() {
        if (!driver_.loaded()) load_driver();
        return driver_.loaded() ? driver_.open(host_.handle()) : -100;
    }
    int acquire() {
        host_.clear();
        return driver_->PANOWAITFORIMAGE();
    }
    std::pair<int, int> size() const { return driver_->size(); }
    // The host's copy of the record, or nothing when the driver has none.
    bool record(np::AcquisitionRecord& out) const { return driver_->PANOGETCOMMDATA(&out) == 1; }

    np::RegistrySandbox registry_{"NORVANE"};
    std::string install_dir_;
    std::string demo_file_;
    np::testing::AdaptationInstall adaptation_;
    np::testing::HostWindow host_;
    np::testing::DriverLibrary driver_;
};

void expect_demo_record(const np::AcquisitionRecord& record, int width, float kv, float ma,
                        float seconds) {
    EXPECT_EQ(+record.program, 0);
    EXPECT_EQ(+record.unit_specific, 77);
    EXPECT_FLOAT_EQ(+record.kv, kv);
    EXPECT_FLOAT_EQ(+record.ma, ma);
    EXPECT_FLOAT_EQ(+record.exposure_time, seconds);
    EXPECT_EQ(+record.valid, 1264u);
    EXPECT_EQ(+record.section_count, 1);
    EXPECT_EQ(+record.sections[0].start, 0);
    EXPECT_EQ(+record.sections[0].width, width);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    for (int at = 24; at < 60; ++at)
        EXPECT_EQ(bytes[at], 0) << "record byte " << at;
}

// The shipped demonstration image (LZW written by libtiff) reaches the host exactly
// as the phantom's picture it was made from, without any adaptation module.
TEST_F(DemoDriver, WithoutModuleDeliversTheDemonstrationImageUnchanged) {
    ASSERT_EQ(::LoadLibraryA("Panodlg.dll"), nullptr) << "an adaptation module is installed";
    install_demo_file(file_bytes((program_directory() + "\\DEMO0001.TIF").c_str()));
    const std::string reference =
        file_bytes((program_directory() + "\\demo_image_reference.pgm").c_str());
    const std::string header = "P5\n2550 1244\n255\n";
    ASSERT_EQ(reference.size(), header.size() + 2550u * 1244u);
    ASSERT_EQ(reference.substr(0, header.size()), header);

    ASSERT_EQ(open(), 1);
    EXPECT_EQ(size(), std::make_pair(2550, 1244));
    EXPECT_EQ(driver_->preview_size(), std::make_pair(666, 208));
    np::AcquisitionRecord host_copy{};
    EXPECT_FALSE(record(host_copy)) << "no record before the first acquisition";

    ASSERT_EQ(acquire(), 1);
    const DeliveredImage image(host_.image());
    ASSERT_EQ(image.width, 2550);
    ASSERT_EQ(image.height, 1244);
    int differing = 0;
    for (int row = 0; row < 1244; ++row)
        for (int column = 0; column < 2550; ++column)
            differing += image.at(column, row) !=
                         std::uint8_t(reference[header.size() + std::size_t(row) * 2550 + column]);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(host_.preview_values().front(), (120 + 5) / 6);
    EXPECT_EQ(host_.messages().back().message, kImageMessage);
    ASSERT_TRUE(record(host_copy));
    EXPECT_EQ(+host_copy.sections[0].width, 2550);
}

// A module without a console is neither asked to open its link nor to fill the record.
// An image 2000 wide is centred in the preview.
TEST_F(DemoDriver, ModuleWithoutConsoleIsNotAskedForTheRecord) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "np-demo-panodlg.log";
    ::DeleteFileA(log.c_str());
    ::SetEnvironmentVariableA("NP_PANODLG_LOG", log.c_str());
    install_adaptation("TestPanodlgMinimal.dll");
    install_demo_file(grey_tiff(2000, 1244));

    ASSERT_EQ(open(), 1);
    EXPECT_EQ(size(), std::make_pair(2000, 1244));
    ASSERT_EQ(acquire(), 1);
    // One call of our own proves the log is written: it must be the only one.
    const auto open_comm_port = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("Panodlg.dll"), "OpenCommPort")));
    ASSERT_NE(open_comm_port, nullptr);
    open_comm_port();
    ::SetEnvironmentVariableA("NP_PANODLG_LOG", nullptr);
    const std::string calls = file_bytes(log.c_str());
    ::DeleteFileA(log.c_str());
    EXPECT_EQ(calls, "OpenCommPort\r\n");

    np::AcquisitionRecord host_copy{};
    ASSERT_TRUE(record(host_copy));
    expect_demo_record(host_copy, 2000, 70.0f, 6.4f, 17.6f);

    const std::vector<long> previews = host_.preview_values();
    ASSERT_EQ(previews.size(), 1u + 200u);
    EXPECT_EQ(previews.front(), (166 + 5) / 6);
    EXPECT_EQ(previews.back(), (1990 + 6 * 166 + 15) / 6);
    const DeliveredImage preview(host_.preview());
    ASSERT_EQ(preview.width, 666);
    ASSERT_EQ(preview.height, 208);
    for (int stored_row : {0, 100, 207}) {
        const int row = 207 - stored_row, file_row = 1243 - 6 * stored_row;
        EXPECT_EQ(preview.at(165, row), 0);
        EXPECT_EQ(preview.at(166, row), grey_at(0, file_row));
        EXPECT_EQ(preview.at(166 + 333, row), grey_at(1998, file_row));
        EXPECT_EQ(preview.at(166 + 334, row), 0);
    }
    const DeliveredImage image(host_.image());
    EXPECT_EQ(image.width, 2000);
    EXPECT_EQ(image.at(1999, 0), grey_at(1999, 0));
    EXPECT_EQ(image.at(0, 1243), grey_at(0, 1243));
}

TEST_F(DemoDriver, ConsoleCancelsThenStarts) {
    install_adaptation("TestPanodlgConsole.dll");
    install_demo_file(grey_tiff(120, 1244));
    ASSERT_EQ(open(), 1);

    registry_.set_user_dword(kConsole, "Notify", 1);
    EXPECT_EQ(acquire(), 0);
    EXPECT_EQ(host_.first_no_image_code(), 4);
    EXPECT_TRUE(host_.image().empty());
    EXPECT_TRUE(host_.preview_values().empty());
    np::AcquisitionRecord host_copy{};
    EXPECT_FALSE(record(host_copy));

    registry_.set_user_dword(kConsole, "Notify", 0);
    ASSERT_EQ(acquire(), 1);
    auto console_log = reinterpret_cast<int (*)(char*, int)>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("Panodlg.dll"), "TestConsoleLog")));
    ASSERT_NE(console_log, nullptr);
    char text[4096] = {};
    ASSERT_LT(console_log(text, sizeof text), static_cast<int>(sizeof text));
    const std::string console(text);
    // The previews went to the console only; the image to both.
    EXPECT_NE(console.find("console 1625"), std::string::npos) << console;
    EXPECT_NE(console.find("console 1624"), std::string::npos) << console;
    EXPECT_TRUE(host_.preview_values().empty());
    EXPECT_FALSE(host_.image().empty());

    // The console's GetInfosTir leaves the exposure at 0; the demonstration's own
    // values are only for acquisitions without a console.
    ASSERT_TRUE(record(host_copy));
    expect_demo_record(host_copy, 120, 0.0f, 0.0f, 0.0f);
}

// A driver whose opening failed has nothing to acquire with: it is not ready, and the
// file is not read again. Without "InstallDir" the file is looked for in C:\KX.
TEST_F(DemoDriver, UnusableFilesFailTheOpeningWithTheirMessage) {
    const std::string directory_past_end = {'I', 'I', 42, 0, 0x00, 0x10, 0, 0};
    load_driver();
    for (bool missing : {true, false}) {
        SCOPED_TRACE(missing ? "missing" : "directory past the end");
        ::DeleteFileA(demo_file_.c_str());
        if (!missing) install_demo_file(directory_past_end);
        np::MessageBoxCapture boxes;
        EXPECT_EQ(open(), 0);
        ASSERT_EQ(boxes.count(), 1u) << boxes.log();
        EXPECT_EQ(boxes[0].title, "ORVIX DEMO ERROR");
        EXPECT_EQ(boxes[0].text,
                  (missing ? "Cannot open file : " : "Cannot read file : ") + demo_file_);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(size(), std::make_pair(2550, 1244));

        EXPECT_EQ(acquire(), 0);
        EXPECT_EQ(host_.first_no_image_code(), 7);
        EXPECT_EQ(boxes.count(), 1u) << boxes.log();
    }

    registry_.clear();
    np::MessageBoxCapture boxes;
    EXPECT_EQ(open(), 0);
    ASSERT_EQ(boxes.count(), 1u) << boxes.log();
    EXPECT_EQ(boxes[0].text, "Cannot open file : C:\\KX\\DEMO0001.TIF") << "no InstallDir";
}

// The file is read again for every image: one that broke after the opening gives no
// image rather than an empty one.
TEST_F(DemoDriver, FileBrokenAfterOpeningFailsTheAcquisition) {
    install_demo_file(grey_tiff(60, 1244));
    ASSERT_EQ(open(), 1);
    install_demo_file(grey_tiff(60, 1244).substr(0, 200));

    np::MessageBoxCapture boxes;
    EXPECT_EQ(acquire(), 0);
    EXPECT_EQ(host_.first_no_image_code(), 5);
    EXPECT_TRUE(host_.image().empty());
    ASSERT_EQ(boxes.count(), 1u) << boxes.log();
    EXPECT_EQ(boxes[0].text, "Cannot read file : " + demo_file_);
    np::AcquisitionRecord host_copy{};
    EXPECT_FALSE(record(host_copy));

    install_demo_file(grey_tiff(80, 1244));
    EXPECT_EQ(acquire(), 1) << "a repaired file serves the next image";
    EXPECT_EQ(size(), std::make_pair(80, 1244));
    EXPECT_EQ(DeliveredImage(host_.image()).width, 80);
}

// Without memory at the opening there are no buffers, and nothing is acquired before a
// good opening; without memory at the acquisition only that image is lost.
TEST_F(DemoDriver, MemoryShortages) {
    install_demo_file(grey_tiff(60, 1244));
    load_driver();
    np::MessageBoxCapture boxes;
    EXPECT_EQ(acquire(), 0) << "before any opening";
    {
        np::AddressSpaceHog hog;
        EXPECT_EQ(open(), -4);
    }
    EXPECT_EQ(acquire(), 0) << "after an opening without memory";
    EXPECT_EQ(host_.first_no_image_code(), 7);
    EXPECT_TRUE(host_.preview_values().empty());
    EXPECT_TRUE(host_.image().empty());
    EXPECT_EQ(boxes.count(), 0u) << boxes.log();

    ASSERT_EQ(open(), 1);
    {
        np::AddressSpaceHog hog;
        EXPECT_EQ(acquire(), 0);
    }
    EXPECT_EQ(host_.first_no_image_code(), 0);
    EXPECT_EQ(acquire(), 1) << "memory back, the next image is taken as usual";
    EXPECT_FALSE(host_.image().empty());
}

}  // namespace
