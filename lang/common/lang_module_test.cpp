// The built language modules as the console, the host and the installer read them. Which
// resources each module carries, with which language tags, is checked natively from the
// same table as the build (check-resources.sh); here, what Windows makes of them.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "lang/common/lang_ids.h"

namespace {

std::wstring widen(const char* utf8) {
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring text(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), length);
    return text;
}

std::wstring module_path(const wchar_t* file) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

BOOL CALLBACK collect_id(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
    reinterpret_cast<std::vector<unsigned>*>(ids)->push_back(
        static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

std::vector<unsigned> resource_ids(HMODULE module, LPCWSTR type) {
    std::vector<unsigned> ids;
    ::EnumResourceNamesW(module, type, collect_id, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

std::pair<const std::uint8_t*, DWORD> resource_bytes(HMODULE module, unsigned id, LPCWSTR type) {
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!info) return {nullptr, 0};
    return {static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, info))),
            ::SizeofResource(module, info)};
}

// The string table as stored: blocks of 16 counted UTF-16 strings, empty ones left out.
using TextTable = std::map<unsigned, std::wstring>;
TextTable read_texts(HMODULE module) {
    const LPCWSTR string_table = MAKEINTRESOURCEW(6);
    TextTable texts;
    for (unsigned block : resource_ids(module, string_table)) {
        const auto [bytes, size] = resource_bytes(module, block, string_table);
        const auto* data = reinterpret_cast<const WCHAR*>(bytes);
        const WCHAR* end = data + size / sizeof(WCHAR);
        for (unsigned i = 0; i < 16 && data < end; ++i) {
            const unsigned length = *data++;
            if (length > static_cast<unsigned>(end - data)) break;
            if (length > 0) texts[(block - 1) * 16 + i] = std::wstring(data, length);
            data += length;
        }
    }
    return texts;
}

// What a wave player needs: a RIFF file whose chunk sizes agree, PCM format, samples.
struct Wave {
    bool well_formed = false;
    std::uint16_t tag = 0, channels = 0, block_align = 0, bits = 0;
    std::uint32_t rate = 0, byte_rate = 0, data_bytes = 0;
};

template <typename T>
T read(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

Wave parse_wave(const std::uint8_t* bytes, std::size_t size) {
    Wave wave;
    const auto u16 = [&](std::size_t at) { return read<std::uint16_t>(bytes + at); };
    const auto u32 = [&](std::size_t at) { return read<std::uint32_t>(bytes + at); };
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0 ||
        u32(4) != size - 8)
        return wave;
    bool have_format = false, have_data = false;
    for (std::size_t at = 12; at < size;) {
        if (size - at < 8 || u32(at + 4) > size - at - 8) return wave;
        const std::uint32_t chunk = u32(at + 4);
        if (std::memcmp(bytes + at, "fmt ", 4) == 0 && chunk >= 16) {
            wave.tag = u16(at + 8);
            wave.channels = u16(at + 10);
            wave.rate = u32(at + 12);
            wave.byte_rate = u32(at + 16);
            wave.block_align = u16(at + 20);
            wave.bits = u16(at + 22);
            have_format = true;
        } else if (std::memcmp(bytes + at, "data", 4) == 0) {
            wave.data_bytes = chunk;
            have_data = true;
        }
        at += 8 + chunk + (chunk & 1);
    }
    wave.well_formed = have_format && have_data;
    return wave;
}

// The menus' layout by command id, captions left out: "[...]" a popup, "-" a separator.
std::string menu_layout(HMENU menu) {
    std::string layout;
    for (int i = 0, count = ::GetMenuItemCount(menu); i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        ::GetMenuItemInfoW(menu, i, TRUE, &item);
        if (!layout.empty()) layout += ' ';
        if (item.fType & MFT_SEPARATOR)
            layout += '-';
        else if (item.hSubMenu)
            layout += '[' + menu_layout(item.hSubMenu) + ']';
        else
            layout += std::to_string(item.wID);
    }
    return layout;
}

// Texts the console writes into its reports and screens or compares, and the program
// names GetProgName hands out: each exactly as the console expects it.
struct Language {
    const wchar_t* file;
    std::vector<const char*> state_texts;    // 50..68
    std::vector<const char*> report_names;   // 410..447
    std::vector<const char*> program_names;  // 584..601
};

// clang-format off
const Language kEnglish{L"NPeng.dll",
    {"Ready", "Interface_inactive", "Rotation", "Exposure", "X-ray_tube_cooling", "Release_rotation",
     "Lock_rotation", "Release_handswitch", "Raise_sensor", "Lower_sensor", "K7 Pano absente",
     "No_collimator", "Check_collimator", "No_ceph_sensor", "Mains_too_low", "Mains_too_high",
     "Thermal_security", "Wrong_arm_position", "Demo_without_x-ray"},
    {"VERSION", "DIAGNOSTIC", "MANUFACTURING", "CALIBRATION", "PREFERENCE", "SoftName",
     "SoftVersion", "SoftDate", "Exposure number", "Time in use", "Product ID", "Serial number",
     "Voltage rating", "Type of panoramic image", "Type of Cephalometric image", "Centering offset",
     "Length of arm movement", "Limit switch hysteresis", "Mains voltage measurement gain",
     "Mains voltage measurement compensation", "kV measurement gain", "kV measurement compensation",
     "kV control gain", "kV control compensation", "mA measurement gain",
     "mA measurement compensation", "mA control gain", "mA control compensation", "pnDeltaHeat",
     "Origin position", "Cephalometric position", "Length of compensation", "kV compensation",
     "Child", "Adult", "Low body weight", "Average body weight", "High body weight"},
    {"Full standard panoramic image", "Right block panoramic image", "Incisor block panoramic image",
     "Right block and incisor block panoramic image", "Left block panoramic image",
     "Right and left block panoramic image", "Left block and incisor block panoramic image",
     "2 lateral TMJ views", "4 lateral TMJ views", "Sinus", "Control of the X-ray beam",
     "Dose measurement on incisivors", "Antero-posterieur", "Postero-anterieur", "Lateral",
     "Oblique", "Submento-vertex", "Carpus"}};

const Language kFrench{L"NPfra.dll",
    {"Prêt", "Interface inactive", "Rotation", "Acquisition", "Refroidissement tube",
     "Debloquez le statif", "Bloquez le statif", "Relacher déclencheur", "Relevez la K7",
     "Descendez la K7", "K7 Pano absente", "Collimateur Absent", "Vérif Collimateur",
     "K7 Cephalo absente", "Secteur trop faible", "Secteur trop fort", "Sécurité thermique",
     "Position Statif", "Demo"},
    {"VERSION", "DIAGNOSTIC", "FABRICATION", "ETALONNAGE", "PREFERENCE", "NomSoft", "VersionSoft",
     "DateSoft", "Nb Expo", "Durée d'utilisation", "ID Produit", "Numéro de série",
     "Calibre de tension", "Type de pano", "Type de Céphalo", "Offset Centrage",
     "Longueur du mouvement du Statif", "Hysteresis FDC", "fCorGainMesSect", "fCorOffsetMesSect",
     "fCorGainMesKV", "fCorOffsetMesKV", "fCorGainCmdKV", "fCorOffsetCmdKV", "fCorGainMesMA",
     "fCorOffsetMesMA", "fCorGainCmdMA", "fCorOffsetCmdMA", "pnDeltaHeat", "Position de repos",
     "Position du Céphalo", "Longueur de compensation", "Compensation kV", "Enfant", "Adulte",
     "Faible corpulence", "Corpulence moyenne", "Forte corpulence"},
    {"Pano standard complet", "Pano bloc droit", "Pano bloc incisif", "Pano bloc droit_incisif",
     "Pano bloc gauche", "Pano bloc droit_bloc gauche", "Pano bloc gauche_ incisif", "ATM LA 2 vues",
     "ATM LA 4 vues", "Sinus", "Contrôle du faisceau rayons X", "Mesure de doses sur incisive",
     "Antero-posterieur", "Postero-anterieur", "Lateral", "Oblique", "Submento-vertex", "Carpus"}};
// clang-format on

class LanguageModule : public ::testing::TestWithParam<const Language*> {
  protected:
    void SetUp() override {
        path_ = module_path(GetParam()->file);
        module_.reset(::LoadLibraryW(path_.c_str()));
        ASSERT_TRUE(module_) << "cannot load the module, error " << ::GetLastError();
        texts_ = read_texts(module_.get());
    }
    HMODULE module() const { return module_.get(); }
    const Language& language() const { return *GetParam(); }

    std::wstring path_;
    np::UniqueModule module_;
    TextTable texts_;
};

TEST_P(LanguageModule, TextsTheConsoleUsesAreExactAndAllFitItsAnsiBuffer) {
    const auto expect_texts = [&](unsigned first, const std::vector<const char*>& wanted) {
        for (unsigned i = 0; i < wanted.size(); ++i)
            EXPECT_EQ(texts_[first + i], widen(wanted[i])) << "text " << first + i;
    };
    expect_texts(50, language().state_texts);
    expect_texts(410, language().report_names);
    expect_texts(584, language().program_names);
    // The console reads every text with LoadStringA into 128 bytes.
    for (const auto& [id, text] : texts_) {
        EXPECT_LE(text.size(), 127u) << "text " << id;
        BOOL lossy = FALSE;
        std::string ansi(text.size() * 2 + 1, '\0');
        ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(),
                              static_cast<int>(text.size()), ansi.data(),
                              static_cast<int>(ansi.size()), nullptr, &lossy);
        EXPECT_FALSE(lossy) << "text " << id << " is not representable in code page 1252";
    }
}

TEST_P(LanguageModule, GetProgNameNamesTheProgramsAndNothingElse) {
    using GetProgNameFn = void(__cdecl*)(int, char*);
    const auto get_prog_name = reinterpret_cast<GetProgNameFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module(), "GetProgName")));
    ASSERT_NE(get_prog_name, nullptr);
    char name[64];
    for (int code : {PROG_CODE_FIRST - 1, PROG_CODE_LAST + 1, 0, -1, 404, INT_MIN, INT_MAX}) {
        std::memset(name, 'x', sizeof name);
        get_prog_name(code, name);
        EXPECT_EQ(name[0], '\0') << "code " << code;
    }
    for (int code = PROG_CODE_FIRST; code <= PROG_CODE_LAST; ++code) {
        std::memset(name, 'x', sizeof name);
        get_prog_name(code, name);
        char wanted[48];
        ::WideCharToMultiByte(CP_ACP, 0,
                              widen(language().program_names[code - PROG_CODE_FIRST]).c_str(), -1,
                              wanted, sizeof wanted, nullptr, nullptr);
        EXPECT_STREQ(name, wanted) << "code " << code;
        // The caller's buffer is 48 bytes: nothing beyond it may be touched.
        EXPECT_EQ(std::string(name + 48, 16), std::string(16, 'x')) << "code " << code;
    }
    get_prog_name(PROG_CODE_FIRST, nullptr);  // a missing buffer must not bring the caller down
}

TEST_P(LanguageModule, EveryPromptIsFoundByIdAndPlayable) {
    const std::vector<unsigned> prompts = resource_ids(module(), L"WAVE");
    EXPECT_EQ(prompts.size(), 38u);
    for (const unsigned id : prompts) {
        SCOPED_TRACE("prompt " + std::to_string(id));
        const auto [bytes, size] = resource_bytes(module(), id, L"WAVE");
        ASSERT_NE(bytes, nullptr);
        const Wave wave = parse_wave(bytes, size);
        ASSERT_TRUE(wave.well_formed);
        EXPECT_EQ(wave.tag, 1);  // PCM
        EXPECT_EQ(wave.rate, 22050u);
        EXPECT_EQ(wave.block_align, wave.channels * wave.bits / 8);
        EXPECT_EQ(wave.byte_rate, wave.rate * wave.block_align);
        if (wave.data_bytes == 0) {  // a silent prompt
            EXPECT_EQ(wave.channels, 1);
            EXPECT_EQ(wave.bits, 8);
            continue;
        }
        EXPECT_EQ(wave.bits, 16);
        EXPECT_EQ(wave.data_bytes % wave.block_align, 0u);
        const double seconds = double(wave.data_bytes) / wave.byte_rate;
        EXPECT_GT(seconds, 0.3);
        EXPECT_LT(seconds, 10.0);
    }
}

TEST_P(LanguageModule, MenusCarryTheConsoleCommands) {
    const auto layout = [&](unsigned id) {
        HMENU menu = ::LoadMenuW(module(), MAKEINTRESOURCEW(id));
        const std::string text = menu ? menu_layout(menu) : "<missing>";
        if (menu) ::DestroyMenu(menu);
        return text;
    };
    EXPECT_EQ(layout(IDR_MENU_SHORT), "[32771 32787]");
    EXPECT_EQ(layout(IDR_MENU_FULL),
              "[32771 32781 32789] [32772 32773 32774 - 32777 "
              "[32782 32783 32784 32785 32788 32790 32791 - 32786] 32779 - 32780]");
}

TEST_P(LanguageModule, VersionNamesTheShippedFile) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path_.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00040000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020000u);
    // The string block the installer looks up: language neutral, Unicode.
    const auto entry = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\000004b0\\") + key;
        if (!::VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars))
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(entry(L"OriginalFilename"), language().file);
    EXPECT_EQ(entry(L"InternalName"), language().file);
    EXPECT_EQ(entry(L"ProductName"), L"NORVANEPAN");
    EXPECT_EQ(entry(L"CompanyName"), L"NORVANE");
    EXPECT_EQ(entry(L"FileVersion"), L"3.0.4.0");
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageModule, ::testing::Values(&kEnglish, &kFrench),
                         [](const auto& info) { return info.index == 0 ? "NPeng" : "NPfra"; });

TEST(BothModules, DifferWhereTheLanguageDoes) {
    np::UniqueModule english_module(::LoadLibraryW(module_path(L"NPeng.dll").c_str()));
    np::UniqueModule french_module(::LoadLibraryW(module_path(L"NPfra.dll").c_str()));
    ASSERT_TRUE(english_module && french_module);
    TextTable english = read_texts(english_module.get());
    TextTable french = read_texts(french_module.get());
    // Errors 18..21 have no English wording; the French module words them.
    for (unsigned id = 318; id <= 321; ++id) {
        EXPECT_EQ(english[id].find_first_not_of(L' '), std::wstring::npos) << id;
        EXPECT_NE(french[id].find_first_not_of(L' '), std::wstring::npos) << id;
    }
    // The counters screen is French in both.
    for (unsigned id = 100; id <= 116; ++id)
        EXPECT_EQ(english[id], french[id]) << id;
    EXPECT_EQ(english[462], L"To create a restore file, Click on the \"Save\" button");
    EXPECT_EQ(english[467], L"To restore the last configuration saved, Click on \"Restore\"");
    EXPECT_EQ(english[290], L"Error in stored parameters.\nDefault parameters have been loaded.");
    EXPECT_EQ(english[1], L"      ");
    // The stereo signal is language-free: the same bytes in both modules.
    const auto [english_chime, english_size] = resource_bytes(english_module.get(), 24035, L"WAVE");
    const auto [french_chime, french_size] = resource_bytes(french_module.get(), 24035, L"WAVE");
    ASSERT_TRUE(english_chime && french_chime);
    ASSERT_EQ(english_size, french_size);
    EXPECT_EQ(std::memcmp(english_chime, french_chime, english_size), 0);
    EXPECT_EQ(parse_wave(english_chime, english_size).channels, 2);
}

}  // namespace
