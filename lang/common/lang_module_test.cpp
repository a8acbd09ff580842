// The built language modules as the console and the installer read them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
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

// ---- What the modules hold -------------------------------------------------------------

using TextTable = std::map<unsigned, std::wstring>;

const LPCWSTR kStringTable = MAKEINTRESOURCEW(6);  // RT_STRING for the wide calls

BOOL CALLBACK collect_block(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks) {
    reinterpret_cast<std::vector<unsigned>*>(blocks)->push_back(
        static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// Reads the string table block by block as stored (16 counted UTF-16 strings per block).
TextTable read_texts(HMODULE module) {
    std::vector<unsigned> blocks;
    ::EnumResourceNamesW(module, kStringTable, collect_block, reinterpret_cast<LONG_PTR>(&blocks));
    TextTable texts;
    for (unsigned block : blocks) {
        HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(block), kStringTable);
        const auto* data = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, info)));
        const WCHAR* end = data + ::SizeofResource(module, info) / sizeof(WCHAR);
        for (unsigned i = 0; i < 16 && data < end; ++i) {
            const unsigned length = *data++;
            if (length > static_cast<unsigned>(end - data)) break;
            if (length > 0) texts[(block - 1) * 16 + i] = std::wstring(data, length);
            data += length;
        }
    }
    return texts;
}

struct ResourceKey {
    std::wstring type;
    unsigned id;
    auto operator<=>(const ResourceKey&) const = default;
};
using Inventory = std::map<ResourceKey, std::set<LANGID>>;

std::wstring type_name(LPCWSTR type) {
    if (IS_INTRESOURCE(type)) return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(type));
    return type;
}

struct InventoryWalk {
    Inventory inventory;
    std::wstring type;
    unsigned id = 0;
};

BOOL CALLBACK note_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR walk) {
    auto& w = *reinterpret_cast<InventoryWalk*>(walk);
    w.inventory[{w.type, w.id}].insert(language);
    return TRUE;
}

BOOL CALLBACK note_name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR walk) {
    auto& w = *reinterpret_cast<InventoryWalk*>(walk);
    w.id = IS_INTRESOURCE(name) ? static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)) : 0;
    ::EnumResourceLanguagesW(module, type, name, note_language, walk);
    return TRUE;
}

BOOL CALLBACK note_type(HMODULE module, LPWSTR type, LONG_PTR walk) {
    reinterpret_cast<InventoryWalk*>(walk)->type = type_name(type);
    ::EnumResourceNamesW(module, type, note_name, walk);
    return TRUE;
}

// Every resource type and id with the language tags it carries.
Inventory take_inventory(HMODULE module) {
    InventoryWalk walk;
    ::EnumResourceTypesW(module, note_type, reinterpret_cast<LONG_PTR>(&walk));
    return walk.inventory;
}

// ---- Voice prompts ----------------------------------------------------------------------

#pragma pack(push, 1)
struct ChunkHeader {
    char id[4];
    std::uint32_t size;
};
struct PcmFormat {
    std::uint16_t tag;
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint32_t byte_rate;
    std::uint16_t block_align;
    std::uint16_t bits;
};
#pragma pack(pop)
static_assert(sizeof(ChunkHeader) == 8);
static_assert(sizeof(PcmFormat) == 16);
constexpr std::uint16_t kPcm = 1;

struct Wave {
    bool well_formed = false;
    PcmFormat format{};
    std::uint32_t data_bytes = 0;
};

// Walks the RIFF chunks; well formed only when every size agrees with the resource size.
Wave parse_wave(const std::uint8_t* bytes, std::size_t size) {
    Wave wave;
    ChunkHeader riff;
    if (size < sizeof riff + 4) return wave;
    std::memcpy(&riff, bytes, sizeof riff);
    if (std::memcmp(riff.id, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return wave;
    if (riff.size != size - 8) return wave;
    bool have_format = false, have_data = false;
    for (std::size_t at = 12; at < size;) {
        ChunkHeader chunk;
        if (size - at < sizeof chunk) return wave;
        std::memcpy(&chunk, bytes + at, sizeof chunk);
        at += sizeof chunk;
        if (chunk.size > size - at) return wave;
        if (std::memcmp(chunk.id, "fmt ", 4) == 0 && chunk.size >= sizeof(PcmFormat)) {
            std::memcpy(&wave.format, bytes + at, sizeof(PcmFormat));
            have_format = true;
        } else if (std::memcmp(chunk.id, "data", 4) == 0) {
            wave.data_bytes = chunk.size;
            have_data = true;
        }
        at += chunk.size + (chunk.size & 1);
    }
    wave.well_formed = have_format && have_data;
    return wave;
}

struct Prompt {
    unsigned id;
    enum Sound { speech, chime, silent } sound;
    bool french_tag;
};

constexpr Prompt kPrompts[] = {
    {24022, Prompt::speech, false}, {24023, Prompt::speech, false}, {24024, Prompt::speech, false},
    {24026, Prompt::speech, false}, {24027, Prompt::speech, false}, {24029, Prompt::speech, false},
    {24030, Prompt::speech, false}, {24034, Prompt::speech, false}, {24035, Prompt::chime, false},
    {24037, Prompt::speech, false}, {24038, Prompt::speech, false}, {24043, Prompt::speech, false},
    {24044, Prompt::speech, false}, {24045, Prompt::silent, false}, {24046, Prompt::silent, false},
    {24047, Prompt::silent, false}, {24049, Prompt::speech, false}, {24051, Prompt::speech, false},
    {24052, Prompt::speech, false}, {24053, Prompt::speech, false}, {24054, Prompt::silent, false},
    {24055, Prompt::speech, false}, {24056, Prompt::speech, false}, {24057, Prompt::silent, false},
    {24059, Prompt::speech, false}, {24061, Prompt::speech, false}, {24062, Prompt::speech, false},
    {24066, Prompt::speech, false}, {24067, Prompt::speech, false}, {24068, Prompt::speech, false},
    {24069, Prompt::speech, false}, {24073, Prompt::speech, false}, {24076, Prompt::speech, false},
    {24077, Prompt::speech, false}, {24081, Prompt::speech, false}, {24085, Prompt::speech, true},
    {24086, Prompt::speech, true},  {24088, Prompt::speech, true},
};

// The bytes of a prompt as the sound service finds it: by id alone, whatever its tag.
std::pair<const std::uint8_t*, std::size_t> find_prompt(HMODULE module, unsigned id) {
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"WAVE");
    if (!info) return {nullptr, 0};
    return {static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, info))),
            ::SizeofResource(module, info)};
}

// ---- Menus ------------------------------------------------------------------------------

// One line per item: "<id> <caption>", "-" for a separator, "> <caption>" for a popup,
// whose items follow indented by two blanks.
void describe_menu(HMENU menu, const std::wstring& indent, std::vector<std::wstring>& lines) {
    for (int i = 0, count = ::GetMenuItemCount(menu); i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = caption;
        item.cch = 256;
        ::GetMenuItemInfoW(menu, i, TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            lines.push_back(indent + L"-");
        } else if (item.hSubMenu) {
            lines.push_back(indent + L"> " + caption);
            describe_menu(item.hSubMenu, indent + L"  ", lines);
        } else {
            lines.push_back(indent + std::to_wstring(item.wID) + L" " + caption);
        }
    }
}

std::vector<std::wstring> describe_menu(HMODULE module, unsigned id) {
    std::vector<std::wstring> lines;
    HMENU menu = ::LoadMenuW(module, MAKEINTRESOURCEW(id));
    if (!menu) return lines;
    describe_menu(menu, L"", lines);
    ::DestroyMenu(menu);
    return lines;
}

std::vector<std::wstring> widen_all(const std::vector<const char*>& lines) {
    std::vector<std::wstring> wide;
    for (const char* line : lines)
        wide.push_back(widen(line));
    return wide;
}

// ---- What each language must say --------------------------------------------------------

struct Language {
    const wchar_t* file;
    LANGID tag;
    std::vector<const char*> state_texts;    // 50..68
    std::vector<const char*> report_names;   // 410..447
    std::vector<const char*> program_names;  // 584..601
    std::vector<const char*> short_menu;
    std::vector<const char*> full_menu;
};

const Language kEnglish{
    L"NPeng.dll",
    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
    {"Ready", "Interface_inactive", "Rotation", "Exposure", "X-ray_tube_cooling",
     "Release_rotation", "Lock_rotation", "Release_handswitch", "Raise_sensor", "Lower_sensor",
     "K7 Pano absente", "No_collimator", "Check_collimator", "No_ceph_sensor", "Mains_too_low",
     "Mains_too_high", "Thermal_security", "Wrong_arm_position", "Demo_without_x-ray"},
    {"VERSION",
     "DIAGNOSTIC",
     "MANUFACTURING",
     "CALIBRATION",
     "PREFERENCE",
     "SoftName",
     "SoftVersion",
     "SoftDate",
     "Exposure number",
     "Time in use",
     "Product ID",
     "Serial number",
     "Voltage rating",
     "Type of panoramic image",
     "Type of Cephalometric image",
     "Centering offset",
     "Length of arm movement",
     "Limit switch hysteresis",
     "Mains voltage measurement gain",
     "Mains voltage measurement compensation",
     "kV measurement gain",
     "kV measurement compensation",
     "kV control gain",
     "kV control compensation",
     "mA measurement gain",
     "mA measurement compensation",
     "mA control gain",
     "mA control compensation",
     "pnDeltaHeat",
     "Origin position",
     "Cephalometric position",
     "Length of compensation",
     "kV compensation",
     "Child",
     "Adult",
     "Low body weight",
     "Average body weight",
     "High body weight"},
    {"Full standard panoramic image", "Right block panoramic image",
     "Incisor block panoramic image", "Right block and incisor block panoramic image",
     "Left block panoramic image", "Right and left block panoramic image",
     "Left block and incisor block panoramic image", "2 lateral TMJ views", "4 lateral TMJ views",
     "Sinus", "Control of the X-ray beam", "Dose measurement on incisivors", "Antero-posterieur",
     "Postero-anterieur", "Lateral", "Oblique", "Submento-vertex", "Carpus"},
    {"> &?", "  32771 About NorvanePan...", "  32787 Reset of the values"},
    {"> &?",
     "  32771 About NorvanePan...",
     "  32781 Details",
     "  32789 Log",
     "> &Maintenance",
     "  32772 General",
     "  32773 Communication",
     "  32774 Preferences",
     "  -",
     "  32777 Manufacturing parameters",
     "  > Calibration",
     "    32782 kV calibration",
     "    32783 mA calibration",
     "    32784 Heating voltage calibration",
     "    32785 Arm calibration",
     "    32788 Tube head calibration",
     "    32790 Control of the X-ray beam",
     "    32791 Dose measurement on incisivors",
     "    -",
     "    32786 Reset of the calibration parameters",
     "  32779 Reset of total parameters",
     "  -",
     "  32780 Save / Restore"},
};

const Language kFrench{
    L"NPfra.dll",
    MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
    {"Prêt", "Interface inactive", "Rotation", "Acquisition", "Refroidissement tube",
     "Debloquez le statif", "Bloquez le statif", "Relacher déclencheur", "Relevez la K7",
     "Descendez la K7", "K7 Pano absente", "Collimateur Absent", "Vérif Collimateur",
     "K7 Cephalo absente", "Secteur trop faible", "Secteur trop fort", "Sécurité thermique",
     "Position Statif", "Demo"},
    {"VERSION",
     "DIAGNOSTIC",
     "FABRICATION",
     "ETALONNAGE",
     "PREFERENCE",
     "NomSoft",
     "VersionSoft",
     "DateSoft",
     "Nb Expo",
     "Durée d'utilisation",
     "ID Produit",
     "Numéro de série",
     "Calibre de tension",
     "Type de pano",
     "Type de Céphalo",
     "Offset Centrage",
     "Longueur du mouvement du Statif",
     "Hysteresis FDC",
     "fCorGainMesSect",
     "fCorOffsetMesSect",
     "fCorGainMesKV",
     "fCorOffsetMesKV",
     "fCorGainCmdKV",
     "fCorOffsetCmdKV",
     "fCorGainMesMA",
     "fCorOffsetMesMA",
     "fCorGainCmdMA",
     "fCorOffsetCmdMA",
     "pnDeltaHeat",
     "Position de repos",
     "Position du Céphalo",
     "Longueur de compensation",
     "Compensation kV",
     "Enfant",
     "Adulte",
     "Faible corpulence",
     "Corpulence moyenne",
     "Forte corpulence"},
    {"Pano standard complet", "Pano bloc droit", "Pano bloc incisif", "Pano bloc droit_incisif",
     "Pano bloc gauche", "Pano bloc droit_bloc gauche", "Pano bloc gauche_ incisif",
     "ATM LA 2 vues", "ATM LA 4 vues", "Sinus", "Contrôle du faisceau rayons X",
     "Mesure de doses sur incisive", "Antero-posterieur", "Postero-anterieur", "Lateral", "Oblique",
     "Submento-vertex", "Carpus"},
    {"> &?", "  32771 à propos de NorvanePan...", "  32787 Réinitialisation des consignes"},
    {"> &?",
     "  32771 à propos de NorvanePan...",
     "  32781 Détails",
     "  32789 Log",
     "> &Maintenance",
     "  32772 Général",
     "  32773 Communication",
     "  32774 Préférence",
     "  -",
     "  32777 Paramètres de fabrication",
     "  > Etalonnage",
     "    32782 Etalonnage kV",
     "    32783 Etalonnage mA",
     "    32784 Etalonnage tension de chauffage",
     "    32785 Etalonnage du statif",
     "    32788 Contrôle du générateur",
     "    32790 Contrôle du faisceau rayons X",
     "    32791 Mesure de doses sur incisive",
     "    -",
     "    32786 Réinitialisation des paramètres d'étalonnage",
     "  32779 Réinit. de la totalité des paramètres",
     "  -",
     "  32780 Sauvegarde/Restauration"},
};

void expect_texts(const TextTable& texts, unsigned first, const std::vector<const char*>& wanted) {
    for (unsigned i = 0; i < wanted.size(); ++i) {
        const auto found = texts.find(first + i);
        ASSERT_NE(found, texts.end()) << "text " << first + i;
        EXPECT_EQ(found->second, widen(wanted[i])) << "text " << first + i;
    }
}

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

TEST_P(LanguageModule, EveryTextFitsTheConsoleBufferInCodePage1252) {
    ASSERT_EQ(texts_.size(), 453u);
    EXPECT_EQ(texts_.begin()->first, 1u);
    EXPECT_EQ(texts_.rbegin()->first, 801u);
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

TEST_P(LanguageModule, TextsTheConsoleWritesOrComparesAreExact) {
    expect_texts(texts_, 50, language().state_texts);
    expect_texts(texts_, 410, language().report_names);
    expect_texts(texts_, 584, language().program_names);
}

TEST_P(LanguageModule, ConsoleReadsTextsAsAnsiWithinItsBuffer) {
    // LoadStringA, as the console calls it, into its 128-byte buffer. The lengths compare
    // only where the ANSI code page is the single-byte one the texts are written for.
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << ::GetACP();
    char buffer[128];
    for (const auto& [id, text] : texts_) {
        std::memset(buffer, 'x', sizeof buffer);
        const int length = ::LoadStringA(module(), id, buffer, sizeof buffer);
        EXPECT_EQ(length, static_cast<int>(text.size())) << "text " << id;
        EXPECT_EQ(buffer[length], '\0') << "text " << id;
    }
}

TEST_P(LanguageModule, GetProgNameNamesTheProgramsAndNothingElse) {
    using GetProgNameFn = void(__cdecl*)(int, char*);
    const auto get_prog_name = reinterpret_cast<GetProgNameFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module(), "GetProgName")));
    ASSERT_NE(get_prog_name, nullptr);

    char name[64];
    for (int code : {179, 198, 0, -1, 404}) {
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
        EXPECT_EQ(std::count(name + 48, name + sizeof name, 'x'), 16) << "code " << code;
    }
    get_prog_name(197, name);
    EXPECT_STREQ(name, "Carpus");
    get_prog_name(180, nullptr);  // a missing buffer must not bring the caller down
}

TEST_P(LanguageModule, EveryPromptIsFoundByIdInItsFormat) {
    const Inventory inventory = take_inventory(module());
    for (const Prompt& prompt : kPrompts) {
        SCOPED_TRACE("prompt " + std::to_string(prompt.id));
        const auto tags = inventory.find({L"WAVE", prompt.id});
        ASSERT_NE(tags, inventory.end());
        const LANGID wanted_tag =
            prompt.french_tag ? MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH) : LANGID{0};
        EXPECT_EQ(tags->second, std::set<LANGID>{wanted_tag});

        const auto [bytes, size] = find_prompt(module(), prompt.id);
        ASSERT_NE(bytes, nullptr);
        const Wave wave = parse_wave(bytes, size);
        ASSERT_TRUE(wave.well_formed);
        EXPECT_EQ(wave.format.tag, kPcm);
        EXPECT_EQ(wave.format.rate, 22050u);
        EXPECT_EQ(wave.format.block_align, wave.format.channels * wave.format.bits / 8);
        EXPECT_EQ(wave.format.byte_rate, wave.format.rate * wave.format.block_align);
        switch (prompt.sound) {
            case Prompt::silent:
                EXPECT_EQ(size, 58u);
                EXPECT_EQ(wave.format.channels, 1);
                EXPECT_EQ(wave.format.bits, 8);
                EXPECT_EQ(wave.data_bytes, 0u);
                break;
            case Prompt::speech:
            case Prompt::chime: {
                EXPECT_EQ(wave.format.channels, prompt.sound == Prompt::chime ? 2 : 1);
                EXPECT_EQ(wave.format.bits, 16);
                EXPECT_EQ(wave.data_bytes % wave.format.block_align, 0u);
                const double seconds = double(wave.data_bytes) / wave.format.byte_rate;
                EXPECT_GT(seconds, 0.3);
                EXPECT_LT(seconds, 10.0);
                break;
            }
        }
    }
}

TEST_P(LanguageModule, MenusCarryTheConsoleCommands) {
    EXPECT_EQ(describe_menu(module(), IDR_MENU_SHORT), widen_all(language().short_menu));
    EXPECT_EQ(describe_menu(module(), IDR_MENU_FULL), widen_all(language().full_menu));
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

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0);
    EXPECT_EQ(translation[1], 1200);

    const auto entry = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\000004b0\\") + key;
        if (!::VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars))
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(entry(L"FileDescription"), language().file);
    EXPECT_EQ(entry(L"InternalName"), language().file);
    EXPECT_EQ(entry(L"OriginalFilename"), language().file);
    EXPECT_EQ(entry(L"ProductName"), L"NORVANEPAN");
    EXPECT_EQ(entry(L"CompanyName"), L"NORVANE");
    EXPECT_NE(entry(L"LegalCopyright").find(L"NORVANE"), std::wstring::npos);
    EXPECT_EQ(entry(L"FileVersion"), L"3.0.4.0");
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageModule, ::testing::Values(&kEnglish, &kFrench),
                         [](const auto& info) { return info.index == 0 ? "NPeng" : "NPfra"; });

// ---- Both modules together --------------------------------------------------------------

class BothModules : public ::testing::Test {
  protected:
    void SetUp() override {
        english_.reset(::LoadLibraryExW(module_path(L"NPeng.dll").c_str(), nullptr, 0));
        french_.reset(::LoadLibraryExW(module_path(L"NPfra.dll").c_str(), nullptr, 0));
        ASSERT_TRUE(english_ && french_);
    }
    np::UniqueModule english_;
    np::UniqueModule french_;
};

TEST_F(BothModules, HoldTheSameResourceIds) {
    const auto ids = [](const Inventory& inventory) {
        std::set<ResourceKey> keys;
        for (const auto& [key, tags] : inventory)
            keys.insert(key);
        return keys;
    };
    EXPECT_EQ(ids(take_inventory(english_.get())), ids(take_inventory(french_.get())));

    const auto text_ids = [](const TextTable& texts) {
        std::set<unsigned> keys;
        for (const auto& [id, text] : texts)
            keys.insert(id);
        return keys;
    };
    EXPECT_EQ(text_ids(read_texts(english_.get())), text_ids(read_texts(french_.get())));
}

TEST_F(BothModules, DifferWhereTheLanguageDoes) {
    const TextTable english = read_texts(english_.get());
    const TextTable french = read_texts(french_.get());
    // Errors 18..21 have no English wording; the French module words them.
    for (unsigned id = 318; id <= 321; ++id) {
        EXPECT_EQ(english.at(id).find_first_not_of(L' '), std::wstring::npos) << id;
        EXPECT_NE(french.at(id).find_first_not_of(L' '), std::wstring::npos) << id;
    }
    // The counters screen is French in both.
    for (unsigned id = 100; id <= 116; ++id) {
        if (english.count(id)) {
            EXPECT_EQ(english.at(id), french.at(id)) << id;
        }
    }
    EXPECT_EQ(english.at(462), L"To create a restore file, Click on the \"Save\" button");
    EXPECT_EQ(english.at(467), L"To restore the last configuration saved, Click on \"Restore\"");
    EXPECT_EQ(english.at(290),
              L"Error in stored parameters.\nDefault parameters have been loaded.");
    EXPECT_EQ(english.at(1), L"      ");

    // The stereo signal is language-free: the same bytes in both modules.
    const auto [english_chime, english_size] = find_prompt(english_.get(), 24035);
    const auto [french_chime, french_size] = find_prompt(french_.get(), 24035);
    ASSERT_TRUE(english_chime && french_chime);
    ASSERT_EQ(english_size, french_size);
    EXPECT_EQ(std::memcmp(english_chime, french_chime, english_size), 0);
}

}  // namespace
