// The INF parser: the syntax rules by hand-written cases, and what the installer
// reads from the sample package.
#include "inf/inf_file.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
  const char* name;
  std::string text;      // the body of section [S]
  std::wstring line;     // SetupGetLineTextW of line 0
  std::vector<std::wstring> fields;  // fields 0 (key, "-" for none), 1, 2, ...
};

const LineCase kLineCases[] = {
    {"KeyAndFields", "Key = a, b ,c\n", L"a,b,c", {L"Key", L"a", L"b", L"c"}},
    {"NoKey", "HKLM, SYSTEM\\X, Name, 0x18002, text\n", L"HKLM,SYSTEM\\X,Name,0x18002,text",
     {L"-", L"HKLM", L"SYSTEM\\X", L"Name", L"0x18002", L"text"}},
    {"QuotedKeepsBlanksCommasAndSemicolons", "k = \" a, b; c \", \"say \"\"hi\"\"\"\n", L" a, b; c ,say \"hi\"",
     {L"k", L" a, b; c ", L"say \"hi\""}},
    {"CommentEndsLine", "k = v ; comment, more\n", L"v", {L"k", L"v"}},
    {"Continuation", "k = a, \\\n    b\n", L"a,b", {L"k", L"a", L"b"}},
    {"BackslashInsideStaysLiteral", "k = dir\\file\n", L"dir\\file", {L"k", L"dir\\file"}},
    {"EmptyFields", "k = a,,c,\n", L"a,,c,", {L"k", L"a", L"", L"c", L""}},
    {"StringsSubstituted", "k = %Str%, x%Str%y, %%, %12%\\f.sys, %missing%\n", L"Value,xValuey,%,%12%\\f.sys,%missing%",
     {L"k", L"Value", L"xValuey", L"%", L"%12%\\f.sys", L"%missing%"}},
    {"QuotedStringValue", "k = %Padded%\n", L"ZYR     FLEXARRAY       ", {L"k", L"ZYR     FLEXARRAY       "}},
    {"EqualsInValue", "k = a=b\n", L"a=b", {L"k", L"a=b"}},
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class InfLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(InfLines, ReadAsSetupApiReadsThem) {
  const auto& c = GetParam();
  auto inf = inf::InfFile::parse("[s]\r\n" + c.text + "[strings]\nSTR = Value\nPadded = \"ZYR     FLEXARRAY       \"\n");
  ASSERT_EQ(inf.line_count(L"S"), 1);
  EXPECT_EQ(inf.line_text(L"S", 0), c.line);
  for (std::size_t f = 0; f < c.fields.size(); ++f)
    EXPECT_EQ(inf.string_field(L"s", 0, f).value_or(L"-"), c.fields[f]) << "field " << f;
  EXPECT_FALSE(inf.string_field(L"s", 0, c.fields.size()));
}

INSTANTIATE_TEST_SUITE_P(Syntax, InfLines, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InfFile, SectionsMergeAndCompareWithoutCase) {
  auto inf = inf::InfFile::parse("; head\nignored = 1\n[One]\na=1\n\n  ; only a comment\n[two] ; c\nb\n[ONE]\nc=3\n");
  EXPECT_EQ(inf.line_count(L"one"), 2);
  EXPECT_EQ(inf.line_count(L"TWO"), 1);
  EXPECT_EQ(inf.line_count(L"three"), -1);
  EXPECT_EQ(inf.find_line(L"one", L"C"), 1u);
  EXPECT_EQ(inf.value(L"ONE", L"a"), L"1");
}

TEST(InfFile, NumbersAsSetupGetIntField) {
  auto inf = inf::InfFile::parse("[s]\nk = 0x00018002, 42, -7, 0X1f, 12ab, , 010\n");
  EXPECT_EQ(inf.int_field(L"s", 0, 1), 0x18002);
  EXPECT_EQ(inf.int_field(L"s", 0, 2), 42);
  EXPECT_EQ(inf.int_field(L"s", 0, 3), -7);
  EXPECT_EQ(inf.int_field(L"s", 0, 4), 0x1f);
  EXPECT_FALSE(inf.int_field(L"s", 0, 5));  // not a number as a whole
  EXPECT_EQ(inf.int_field(L"s", 0, 6), 0);  // empty, as SetupAPI reads it
  EXPECT_EQ(inf.int_field(L"s", 0, 7), 8);  // a leading 0 is octal, as strtol reads it
}

TEST(InfFile, Utf16WithByteOrderMarkAndUtf8) {
  const std::string text = "[Version]\r\nClass = DiskDrive ; x\r\nClassGUID={4D36E967-E325-11CE-BFC1-08002BE10318}\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string{c, '\0'};
  for (const auto& bytes : {utf16, "\xEF\xBB\xBF" + text, text}) {
    auto inf = inf::InfFile::parse(bytes);
    EXPECT_EQ(inf.class_name(), L"DiskDrive");
    EXPECT_EQ(inf.class_guid(), L"{4D36E967-E325-11CE-BFC1-08002BE10318}");
  }
}

TEST(InfFile, SamplePackageHoldsWhatTheInstallerReads) {
  const std::string dir = PATHMGR_SAMPLE_PACKAGE;
  inf::InfFile module, bus, device;
  ASSERT_EQ(inf::InfFile::load(dir + "/zyrdsm.inf", module), kERROR_SUCCESS);
  ASSERT_EQ(inf::InfFile::load(dir + "/mpio.inf", bus), kERROR_SUCCESS);
  ASSERT_EQ(inf::InfFile::load(dir + "/mpdev.inf", device), kERROR_SUCCESS);
  EXPECT_EQ(inf::InfFile::load(dir + "/absent.inf", module), kERROR_FILE_NOT_FOUND);
  ASSERT_EQ(inf::InfFile::load(dir + "/zyrdsm.inf", module), kERROR_SUCCESS);

  EXPECT_EQ(module.value(L"Version", L"CatalogFile"), L"zyrdsm.cat");
  EXPECT_EQ(module.line_text(L"ZyrModels", 0), L"zyrdsm_Install,ROOT\\zyrdsm");
  EXPECT_EQ(module.value(L"DefaultUninstall", L"DelReg"), L"zyrdsm_delreg");
  EXPECT_EQ(module.line_count(L"zyrdsm_delreg"), 2);
  EXPECT_EQ(module.line_text(L"zyrdsm_delreg", 0),
            L"HKLM,SYSTEM\\CurrentControlSet\\Control\\MPDEV,MPIOSupportedDeviceList,0x00018002,ZYR     FLEXARRAY       ");
  EXPECT_EQ(module.int_field(L"zyrdsm_delreg", 0, 4), 0x18002);
  EXPECT_EQ(module.line_text(L"zyrdsm_AddReg", 4),  // continued over two lines
            L"HKLM,SYSTEM\\CurrentControlSet\\Services\\ZYRDSM\\DsmParameters,DsmLogLevel,0x00010001,0x00000002");
  EXPECT_EQ(bus.class_guid(), L"{4D36E97B-E325-11CE-BFC1-08002BE10318}");
  EXPECT_EQ(bus.line_text(L"MpioModels", 0), L"mpio_Install,Detected\\MPIO");
  EXPECT_EQ(bus.value(L"Version", L"CatalogFile"), L"mpio.cat");
  EXPECT_EQ(device.class_name(), L"DiskDrive");
  EXPECT_EQ(device.line_text(L"MpdevModels", 0), L"mpdev_Install,MPIODisk");
  EXPECT_EQ(device.value(L"Version", L"CatalogFile"), L"mpio.cat");
}

}  // namespace
