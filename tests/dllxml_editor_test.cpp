// The dll.xml editor: Kestrel's entry added, replaced and removed while every other byte
// of the file survives; files it cannot parse are refused and left as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "installer/dllxml.h"

namespace {

// A simulator's dll.xml as Windows-1252 with CRLF line ends, tab indents and another
// add-on whose name has bytes above 0x7F (e with acute, the euro sign).
const std::string Cp1252File =
    "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
    "<SimBase.Document Type=\"Launch\" version=\"1,0\">\r\n"
    "\t<Descr>Launch</Descr>\r\n"
    "\t<Filename>dll.xml</Filename>\r\n"
    "\t<!-- M\xE9t\xE9o add-on \x80 -->\r\n"
    "\t<Launch.Addon>\r\n"
    "\t\t<Name>M\xE9t\xE9o \x80</Name>\r\n"
    "\t\t<Disabled>False</Disabled>\r\n"
    "\t\t<Path>C:\\Add-ons\\M\xE9t\xE9o\\weather.dll</Path>\r\n"
    "\t</Launch.Addon>\r\n"
    "</SimBase.Document>\r\n";

const std::string KestrelEntryCp1252 =
    "\t<Launch.Addon>\r\n"
    "\t\t<Name>Kestrel</Name>\r\n"
    "\t\t<Disabled>False</Disabled>\r\n"
    "\t\t<ManualLoad>False</ManualLoad>\r\n"
    "\t\t<Path>Modules\\KestrelFSX.dll</Path>\r\n"
    "\t</Launch.Addon>\r\n";

int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteAll(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

TEST(DllXmlEditor, AddingAndRemovingKeepEveryOtherByte) {
    DllXmlEdit added = AddKestrelEntry(Cp1252File, KestrelDllXmlPath);
    ASSERT_TRUE(added.ok) << added.message;
    EXPECT_TRUE(added.changed);
    // The entry goes after the last one, laid out like it; nothing else moves.
    std::string expected = Cp1252File;
    expected.insert(expected.find("</SimBase.Document>"), KestrelEntryCp1252);
    EXPECT_EQ(added.text, expected);

    DllXmlEdit again = AddKestrelEntry(added.text, KestrelDllXmlPath);
    ASSERT_TRUE(again.ok);
    EXPECT_FALSE(again.changed);
    EXPECT_EQ(again.text, added.text);

    DllXmlEdit removed = RemoveKestrelEntries(added.text);
    ASSERT_TRUE(removed.ok);
    EXPECT_EQ(removed.text, Cp1252File);

    // UTF-8 with a byte order mark and LF line ends, no entries yet; then one without a
    // declaration at all, which must not gain one.
    const std::string utf8File =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SimBase.Document Type=\"Launch\" version=\"1,0\">\n"
        "  <Descr>Caf\xC3\xA9</Descr>\n"
        "</SimBase.Document>\n";
    DllXmlEdit utf8 = AddKestrelEntry(utf8File, KestrelDllXmlPath);
    ASSERT_TRUE(utf8.ok) << utf8.message;
    EXPECT_EQ(utf8.text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(utf8.text.find("  <Descr>Caf\xC3\xA9</Descr>\n  <Launch.Addon>\n    <Name>Kestrel</Name>\n"),
              std::string::npos)
        << utf8.text;
    EXPECT_EQ(RemoveKestrelEntries(utf8.text).text, utf8File);

    const std::string bare = "<SimBase.Document>\n</SimBase.Document>";
    DllXmlEdit bareAdded = AddKestrelEntry(bare, "D:\\FSX\\Modules\\KestrelFSX.dll");
    ASSERT_TRUE(bareAdded.ok);
    EXPECT_EQ(bareAdded.text.find("<?xml"), std::string::npos);
    EXPECT_NE(bareAdded.text.find("<Path>D:\\FSX\\Modules\\KestrelFSX.dll</Path>"), std::string::npos);
    EXPECT_EQ(RemoveKestrelEntries(bareAdded.text).text, bare);
}

TEST(DllXmlEditor, AnEarlierEntryIsReplacedInPlaceAndDuplicatesGo) {
    // Kestrel by name (disabled, an old path) in the middle, Kestrel by its file name
    // only at the end, and a different add-on whose name merely starts with Kestrel.
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
        "<SimBase.Document Type=\"Launch\" version=\"1,0\">\r\n"
        "  <Launch.Addon>\r\n"
        "    <Name> kestrel </Name>\r\n"
        "    <Disabled>True</Disabled>\r\n"
        "    <Path>Modules\\Old\\KestrelFSX.dll</Path>\r\n"
        "  </Launch.Addon>\r\n"
        "  <Launch.Addon>\r\n"
        "    <Name>Kestrel Tools</Name>\r\n"
        "    <Path>Modules\\KestrelTools.dll</Path>\r\n"
        "  </Launch.Addon>\r\n"
        "  <Launch.Addon>\r\n"
        "    <Name>Recorder</Name>\r\n"
        "    <Path>modules\\kestrelfsx.DLL</Path>\r\n"
        "  </Launch.Addon>\r\n"
        "</SimBase.Document>\r\n";
    DllXmlEdit added = AddKestrelEntry(file, KestrelDllXmlPath);
    ASSERT_TRUE(added.ok) << added.message;
    EXPECT_EQ(added.text,
              "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
              "<SimBase.Document Type=\"Launch\" version=\"1,0\">\r\n"
              "  <Launch.Addon>\r\n"
              "    <Name>Kestrel</Name>\r\n"
              "    <Disabled>False</Disabled>\r\n"
              "    <ManualLoad>False</ManualLoad>\r\n"
              "    <Path>Modules\\KestrelFSX.dll</Path>\r\n"
              "  </Launch.Addon>\r\n"
              "  <Launch.Addon>\r\n"
              "    <Name>Kestrel Tools</Name>\r\n"
              "    <Path>Modules\\KestrelTools.dll</Path>\r\n"
              "  </Launch.Addon>\r\n"
              "</SimBase.Document>\r\n");

    DllXmlEdit removed = RemoveKestrelEntries(file);
    ASSERT_TRUE(removed.ok);
    EXPECT_EQ(CountOf(removed.text, "<Launch.Addon>"), 1);
    EXPECT_NE(removed.text.find("Kestrel Tools"), std::string::npos);
}

TEST(DllXmlEditor, FilesThatCannotBeParsedAreLeftUntouched) {
    const std::string refused[] = {
        "",
        "<?xml version=\"1.0\"?>\r\n<SimBase.Document>\r\n  <Launch.Addon>\r\n</SimBase.Document>\r\n",
        "<SimBase.Document></SimBase.Document><SimBase.Document></SimBase.Document>",
        "<SimBase.Document></SimBase.Document> trailing text",
        "<Launch.Addon><Name>Other</Name></Launch.Addon>",
    };
    for (const std::string& bytes : refused) {
        DllXmlEdit add = AddKestrelEntry(bytes, KestrelDllXmlPath);
        EXPECT_FALSE(add.ok) << bytes;
        EXPECT_FALSE(add.message.empty());
        EXPECT_FALSE(RemoveKestrelEntries(bytes).ok) << bytes;
    }

    std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "dllxml-refused";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::path file = dir / "dll.xml";
    WriteAll(file, refused[1]);
    std::string message;
    EXPECT_FALSE(AddKestrelEntryToFile(file, KestrelDllXmlPath, &message));
    EXPECT_NE(message.find("left unchanged"), std::string::npos) << message;
    EXPECT_FALSE(RemoveKestrelEntriesFromFile(file, &message));
    EXPECT_EQ(ReadAll(file), refused[1]);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(DllXmlEditor, FilesAreCreatedWhenMissingAndReplacedWhole) {
    std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "dllxml-files";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::path file = dir / "dll.xml";
    std::string message;

    // Removing from a missing file does nothing and creates nothing.
    EXPECT_TRUE(RemoveKestrelEntriesFromFile(file, &message)) << message;
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_TRUE(AddKestrelEntryToFile(file, KestrelDllXmlPath, &message)) << message;
    std::string created = ReadAll(file);
    EXPECT_EQ(created.rfind(EmptyDllXml().substr(0, EmptyDllXml().find("</SimBase.Document>")), 0), 0u);
    EXPECT_EQ(CountOf(created, "<Name>Kestrel</Name>"), 1);
    EXPECT_NE(created.find("    <Path>Modules\\KestrelFSX.dll</Path>\r\n  </Launch.Addon>\r\n</SimBase.Document>"),
              std::string::npos)
        << created;

    ASSERT_TRUE(AddKestrelEntryToFile(file, KestrelDllXmlPath, &message));
    EXPECT_EQ(ReadAll(file), created);
    ASSERT_TRUE(RemoveKestrelEntriesFromFile(file, &message));
    EXPECT_EQ(ReadAll(file), EmptyDllXml());
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

}  // namespace
