// From the installation medium to an image, on a prefix of its own that nothing has
// touched before: the medium's folder is a CD-ROM drive, found through its
// "autorun.inf"; the wizard installs Generic with the cassette's mask from the floppy;
// then PanoHost takes an image through Scanlink_sim with the module where the wizard
// put it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "installer/resources/installer_ids.h"
#include "installer/testing/install_fixture.h"
#include "installer/testing/wine_drive.h"
#include "installer/testing/wizard_operator.h"
#include "sim/phantom/sensor_model.h"
#include "tools/wintest/pano_host_run.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

TEST(InstallationMedium, FoundOnACdromDriveItInstallsGenericThatTakesAnImage) {
    ASSERT_EQ(::GetFileAttributesA("c:\\12bits"), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(::GetFileAttributesA("Panodlg.dll"), INVALID_FILE_ATTRIBUTES);
    RegistrySandbox registry("NORVANE");
    std::string medium = testing::built_medium_folder();
    medium.resize(medium.size() - std::string("WINNT40\\SCANLINKNT\\").size());
    testing::WineDrive cdrom('R', medium, testing::WineDrive::Type::cdrom);
    ASSERT_TRUE(cdrom.mapped());
    ASSERT_EQ(::GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_CDROM));

    const auto mask = phantom::mask_file_bytes(phantom::make_sensor_model(1024));
    ::CreateDirectoryA("C:\\floppy", nullptr);
    ASSERT_TRUE(testing::write_file("C:\\floppy\\PANO.MSK", std::string(mask.begin(), mask.end())));
    testing::WineDrive floppy('A', "C:\\floppy", testing::WineDrive::Type::floppy);
    ASSERT_TRUE(floppy.mapped());

    testing::WizardOperator wizard;
    ASSERT_TRUE(wizard.started());
    wizard.next();
    wizard.click(IDC_OS_XP);
    wizard.next();
    wizard.click(IDC_UNIT_GENERIC);
    ASSERT_EQ(wizard.next(), 124);
    EXPECT_TRUE(wizard.checked(IDC_ROTATION_NORMAL));
    EXPECT_EQ(wizard.text(IDC_TIMEOUT), "5");
    ASSERT_EQ(wizard.next(), 110);
    ASSERT_EQ(wizard.next(), 111);
    ASSERT_EQ(wizard.next(), 122);
    wizard.click(IDC_COPY_MASK);
    ASSERT_EQ(wizard.next(), 112);
    wizard.finish();
    ASSERT_TRUE(wizard.wait_end());
    EXPECT_TRUE(wizard.boxes().empty());

    EXPECT_EQ(testing::file_content("C:\\windows\\SYSTEM\\PANODLG.DLL"),
              testing::file_content("R:\\WINNT40\\SCANLINKNT\\GENERIC.DLL"));
    EXPECT_EQ(testing::file_content("C:\\windows\\system32\\PANO.MSK"), std::string(mask.begin(), mask.end()));
    ASSERT_EQ(::GetFileAttributesA("C:\\windows\\system32\\PANODLG.DLL"), INVALID_FILE_ATTRIBUTES);

    registry.set_user_dword("NORVANE\\SIMULATOR\\CARD", "LineRate", 20000);
    ::CreateDirectoryA("medium-acquisition", nullptr);
    ::DeleteFileA("medium-acquisition\\image-1.bmp");
    EXPECT_EQ(testing::run_pano_host("medium-acquisition"), 0);
    const std::string image = testing::file_content("medium-acquisition\\image-1.bmp");
    ASSERT_GT(image.size(), 54u);
    BITMAPINFOHEADER header{};
    std::memcpy(&header, image.data() + sizeof(BITMAPFILEHEADER), sizeof header);
    EXPECT_EQ(header.biHeight, 1244);
    EXPECT_GT(header.biWidth, 2000);
    testing::remove_installed_files();
    ::DeleteFileA("C:\\windows\\system32\\PANO.MSK");
}

}  // namespace
}  // namespace np
