// The Windows build of install under wine64, on the real SetupAPI and registry: the
// usage text, a missing source path, an install of the sample package as far as wine
// serves it, a folder named outside the ANSI code page, the INF store copy removed by
// its file name; the program's header; and the INF parser compared with what SetupAPI
// reads from the sample INFs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "inf/inf_file.h"
#include "install_hosts.h"
#include "text/text_convert.h"

namespace {

const std::string kWine = "/usr/lib/wine/wine64";

std::string strip_cr(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// A host path as wine's Z: drive names it.
std::string windows_path(std::string path) {
  for (auto& c : path)
    if (c == '/') c = '\\';
  return "Z:" + path;
}

class WineInstall : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir();
    run(WINE_INSTALL, {});  // the first run makes the prefix and says so
  }
  static void TearDownTestSuite() {
    run_program({"/usr/lib/wine/wineserver", "-k"}, env(), {}, "");
    delete prefix_;
  }
  // UTF-8 on the Unix side, so that wine hands a program its wide arguments intact; the
  // ANSI code page of the prefix stays Windows-1252.
  static std::vector<std::string> env() {
    return {"WINEPREFIX=" + prefix_->path(), "WINEDEBUG=-all", "LANG=C.UTF-8"};
  }
  static ProcessResult run(const char* program, const std::vector<std::string>& args) {
    std::vector<std::string> argv{kWine, program};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = run_program(argv, env(), {"PATHMGR_SIM"}, "");
    r.out = strip_cr(r.out);
    return r;
  }
  static TempDir* prefix_;
};

TempDir* WineInstall::prefix_ = nullptr;

// What our parser reads, in inf_probe's form.
std::string our_probe(const std::string& path, const std::vector<std::string>& sections) {
  inf::InfFile inf;
  EXPECT_EQ(inf::InfFile::load(path, inf), kERROR_SUCCESS);
  std::ostringstream out;
  out << "class " << narrow_utf8(inf.class_name()) << "\n";
  for (const auto& s : sections) {
    const std::wstring section = widen_utf8(s);
    const long count = inf.line_count(section);
    out << "section " << s << " " << count << "\n";
    for (long i = 0; i < count; ++i) {
      const auto index = static_cast<std::size_t>(i);
      out << "line " << s << " " << i << " " << narrow_utf8(inf.line_text(section, index).value_or(L"")) << "\n";
      for (std::size_t f = 0; f <= inf.line(section, index)->fields.size(); ++f) {
        auto text = inf.string_field(section, index, f);
        auto number = inf.int_field(section, index, f);
        out << "field " << i << " " << f << " " << (text ? narrow_utf8(*text) : "-") << " | "
            << (number ? std::to_string(*number) : "-") << "\n";
      }
    }
  }
  return out.str();
}

}  // namespace

TEST_F(WineInstall, UsageMissingSourceAndAnInstall) {
  auto usage = run(WINE_INSTALL, {});
  EXPECT_EQ(usage.exit_code, 0);
  EXPECT_EQ(usage.out, kUsageText);

  TempDir dir;
  const std::string pkg = dir.file("pkg");
  std::filesystem::copy(PATHMGR_SAMPLE_PACKAGE, pkg);
  auto missing = run(WINE_INSTALL, {"-i", windows_path(dir.file("absent")), windows_path(pkg), "zyrdsm.inf", "ROOT\\zyrdsm"});
  EXPECT_EQ(missing.exit_code, 1);
  const std::string head = "\nUnable to validate the source path. ", tail = "\nError code (0x00000002)\n";
  ASSERT_GE(missing.out.size(), head.size() + tail.size()) << missing.out;
  EXPECT_EQ(missing.out.substr(0, head.size()), head);  // then the system's own text
  EXPECT_EQ(missing.out.substr(missing.out.size() - tail.size()), tail);

  // A newer system: the module step runs; wine's driver update is a stub, so the step
  // reports either outcome with the reports every step shares.
  auto install = run(WINE_INSTALL, {"-i", windows_path(pkg), windows_path(pkg), "zyrdsm.inf", "ROOT\\zyrdsm"});
  const std::string step = "\n\nInstalling the Device Specific Module...\n";
  EXPECT_EQ(install.out.substr(0, step.size()), step) << install.out;
  const std::string rest = install.out.substr(std::min(step.size(), install.out.size()));
  EXPECT_TRUE(rest.rfind("Success ", 0) == 0 || rest.rfind("Failure.", 0) == 0) << install.out;
  EXPECT_EQ(install.exit_code, rest.rfind("Failure.", 0) == 0 ? 1 : install.exit_code) << install.out;
}

// A folder whose name the ANSI code page cannot hold: the program reads the wide
// command line, so the name arrives whole and the path checks pass.
TEST_F(WineInstall, FolderNamedOutsideTheAnsiCodePage) {
  TempDir dir;
  const std::string pkg = dir.file("pkg-\u03a9\u03bc\u5305");
  std::filesystem::copy(PATHMGR_SAMPLE_PACKAGE, pkg);
  auto r = run(WINE_INSTALL, {"-i", windows_path(pkg), windows_path(pkg), "zyrdsm.inf", "ROOT\\zyrdsm"});
  const std::string step = "\n\nInstalling the Device Specific Module...\n";
  EXPECT_EQ(r.out.substr(0, step.size()), step) << r.out;
}

// The store copy's file name, as install hands it to SetupUninstallOEMInfW, on wine's
// SetupAPI: the copy goes; its full path is refused. (Wine keeps the INF's own name for
// its copy where Windows numbers it "oemN.inf".)
TEST_F(WineInstall, StoreCopyUninstalledByItsFileName) {
  TempDir dir;
  std::filesystem::copy(PATHMGR_SAMPLE_PACKAGE, dir.file("pkg"));
  auto r = run(WINE_OEM_INF_PROBE, {windows_path(dir.file("pkg/zyrdsm.inf"))});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  std::map<std::string, std::string> said;  // "copy", "name", "left", "path"
  std::istringstream lines(r.out);
  for (std::string key, value; lines >> key >> value;) said[key] = value;
  EXPECT_EQ(said["name"], "0x00000000") << r.out;
  EXPECT_EQ(said["left"], "0") << r.out;
  EXPECT_NE(said["path"], "") << r.out;
  EXPECT_NE(said["path"], "0x00000000") << r.out;
}

// IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE (0x8000) in install.exe's optional
// header: a Terminal Server then gives it the system's Windows folder, not a per-user one.
TEST(InstallProgramHeader, TerminalServerAware) {
  std::ifstream file(WINE_INSTALL, std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(image.at(at + i));
    return v;
  };
  const std::size_t pe = u32(0x3C);
  ASSERT_EQ(image.substr(pe, 4), std::string("PE\0\0", 4));
  const std::size_t optional_header = pe + 24;
  ASSERT_EQ(u32(optional_header) & 0xFFFF, 0x20Bu);  // PE32+: the 64-bit program
  const std::uint32_t characteristics = u32(optional_header + 70) & 0xFFFF;
  EXPECT_EQ(characteristics & 0x8000u, 0x8000u) << std::hex << characteristics;
}

TEST_F(WineInstall, InfParserReadsAsSetupApi) {
  struct Case {
    const char* file;
    std::vector<std::string> sections;
  } cases[] = {
      {"zyrdsm.inf", {"Version", "Manufacturer", "ZyrModels", "zyrdsm_Install", "zyrdsm_Install.Services",
                      "zyrdsm_AddReg", "zyrdsm_delreg", "DefaultUninstall", "Absent"}},
      {"mpio.inf", {"Version", "MpioModels", "mpio_Install.Services", "mpio_AddReg", "mpio_DelReg",
                    "DefaultUninstall.Services"}},
      {"mpdev.inf", {"Version", "MpdevModels", "mpdev_AddReg", "DefaultUninstall"}},
  };
  for (const auto& c : cases) {
    const std::string path = std::string(PATHMGR_SAMPLE_PACKAGE) + "/" + c.file;
    std::vector<std::string> args{windows_path(path)};
    args.insert(args.end(), c.sections.begin(), c.sections.end());
    auto real = run(WINE_INF_PROBE, args);
    EXPECT_EQ(real.exit_code, 0);
    EXPECT_EQ(our_probe(path, c.sections), real.out) << c.file;
  }
}
