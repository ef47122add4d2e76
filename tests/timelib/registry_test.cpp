// The registry stand-in over a zone directory of the test's own, and library loading: the
// sizes, types and failures of the Windows calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_zone_directory.h"
#include "timelib/platform/platform.h"

namespace {

const std::u16string kZoneList = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

class RegistryStandIn : public ::testing::Test {
  protected:
    testsupport::TestZoneDirectory zones_;
    testsupport::ScopedZoneDirectory tzdir_{zones_.path()};
};

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    trendtab::platform::Utf8FromWide(text, &narrow);
    return narrow;
}

// A value as RegQueryValueExW reads it into a buffer of the given size.
struct Value {
    LSTATUS status;
    DWORD type;
    std::vector<BYTE> bytes;
};

Value Query(HKEY key, const char16_t* name, DWORD capacity = 256) {
    Value value{0, REG_NONE, std::vector<BYTE>(capacity, 0xAA)};
    DWORD size = capacity;
    value.status = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(value.status == ERROR_SUCCESS ? size : capacity);
    return value;
}

std::u16string Text(const Value& value) {
    std::u16string text(value.bytes.size() / 2, u'\0');
    std::memcpy(text.data(), value.bytes.data(), text.size() * 2);
    return text;
}

}  // namespace

TEST_F(RegistryStandIn, ListsTheZoneFilesInByteOrder) {
    HKEY list = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            u"software\\microsoft\\windows nt\\"
                            u"currentversion\\time zones",
                            0, KEY_READ, &list),
              ERROR_SUCCESS);
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char16_t name[64];
        DWORD length = 64;
        FILETIME written{};
        const LSTATUS status =
            RegEnumKeyExW(list, index, name, &length, nullptr, nullptr, nullptr, &written);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        EXPECT_EQ(name[length], 0);
        EXPECT_NE(written.dwHighDateTime, 0u);
        names.push_back(Narrow(name));
    }
    EXPECT_EQ(names, zones_.keys());
    char16_t small[5];
    DWORD length = 5;
    EXPECT_EQ(RegEnumKeyExW(list, 0, small, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(RegCloseKey(list), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(list), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyExW(list, 0, small, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);

    // Read only, and enumeration needs its right.
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZoneList.c_str(), 0, KEY_WRITE, &list),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZoneList.c_str(), 0, KEY_QUERY_VALUE, &list),
              ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyExW(list, 0, small, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(list);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft", 0, KEY_READ, &list),
              ERROR_FILE_NOT_FOUND);

    // No zone directory, no zone list.
    const testsupport::ScopedZoneDirectory missing(zones_.path() + "/missing");
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZoneList.c_str(), 0, KEY_READ, &list),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryStandIn, ServesTziStdAndDltOfEachZone) {
    HKEY zone = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kZoneList + u"\\America/New_York").c_str(), 0,
                            KEY_QUERY_VALUE, &zone),
              ERROR_SUCCESS);
    const Value tzi = Query(zone, u"TZI");
    ASSERT_EQ(tzi.status, ERROR_SUCCESS);
    EXPECT_EQ(tzi.type, REG_BINARY);
    // Bias 300, StandardBias 0, DaylightBias -60; November's 1st Sunday 2:00, March's 2nd.
    const std::vector<BYTE> expected = {
        0x2C, 0x01, 0,  0, 0, 0, 0, 0, 0xC4, 0xFF, 0xFF, 0xFF,              //
        0,    0,    11, 0, 0, 0, 1, 0, 2,    0,    0,    0,    0, 0, 0, 0,  //
        0,    0,    3,  0, 0, 0, 2, 0, 2,    0,    0,    0,    0, 0, 0, 0};
    EXPECT_EQ(tzi.bytes, expected);
    EXPECT_EQ(Query(zone, u"Std").type, REG_SZ);
    EXPECT_EQ(Text(Query(zone, u"std")), std::u16string(u"America/New_York\0", 17));
    EXPECT_EQ(Text(Query(zone, u"Dlt")), std::u16string(u"EDT\0", 4));
    EXPECT_EQ(Query(zone, u"Display").status, ERROR_FILE_NOT_FOUND);
    // Too small: the size it needs, the buffer untouched.
    DWORD size = 43;
    std::vector<BYTE> buffer(43, 0xAA);
    EXPECT_EQ(RegQueryValueExW(zone, u"TZI", nullptr, nullptr, buffer.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 44u);
    EXPECT_EQ(buffer, std::vector<BYTE>(43, 0xAA));
    EXPECT_EQ(RegQueryValueExW(zone, u"Std", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 34u);
    // Zone keys have no subkeys.
    HKEY below = nullptr;
    EXPECT_EQ(RegOpenKeyExW(zone, u"Dynamic DST", 0, KEY_READ, &below), ERROR_FILE_NOT_FOUND);
    RegCloseKey(zone);

    // From the list key; no daylight saving: "Dlt" is the terminator alone.
    HKEY list = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZoneList.c_str(), 0, KEY_READ, &list),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(list, u"ASIA/KOLKATA", 0, KEY_READ, &zone), ERROR_SUCCESS);
    EXPECT_EQ(Text(Query(zone, u"Std")), std::u16string(u"Asia/Kolkata\0", 13));
    EXPECT_EQ(Text(Query(zone, u"Dlt")), std::u16string(u"\0", 1));
    RegCloseKey(zone);
    EXPECT_EQ(Query(list, u"TZI").status, ERROR_FILE_NOT_FOUND);
    RegCloseKey(list);

    // A key longer than 31 characters: "Std" does not fit the 64 bytes of a record's name.
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            (kZoneList + u"\\America/Argentina/ComodRivadavia").c_str(), 0,
                            KEY_QUERY_VALUE, &zone),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(zone, u"Std", 64).status, ERROR_MORE_DATA);
    RegCloseKey(zone);

    EXPECT_TRUE(trendtab::platform::ZoneRecordIsApproximated(u"Test/Approximated"));
    EXPECT_FALSE(trendtab::platform::ZoneRecordIsApproximated(u"America/New_York"));
}

TEST(LibraryLoading, Kernel32IsThisLayer) {
    const HMODULE kernel32 = LoadLibraryW(u"KERNEL32.DLL");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(LoadLibraryW(u"kernel32"), kernel32);
    EXPECT_EQ(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "TzSpecificLocalTimeToSystemTimeEx")),
        reinterpret_cast<void (*)()>(&TzSpecificLocalTimeToSystemTimeEx));
    EXPECT_EQ(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "SystemTimeToTzSpecificLocalTimeEx")),
        reinterpret_cast<void (*)()>(&SystemTimeToTzSpecificLocalTimeEx));
    EXPECT_EQ(GetProcAddress(kernel32, "RegOpenKeyExW"), nullptr);  // advapi32's
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(kernel32));
    EXPECT_TRUE(FreeLibrary(kernel32));
    EXPECT_FALSE(FreeLibrary(kernel32));  // loaded twice, freed twice

    EXPECT_EQ(LoadLibraryW(u"kernel32.dll.mui"), nullptr);
    EXPECT_EQ(LoadLibraryW(u"user32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}
