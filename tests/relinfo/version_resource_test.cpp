// Reads the version resource back out of the built relinfo.dll (a PE file) and checks
// the package's version record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Image {
  std::vector<unsigned char> bytes;
  std::uint16_t u16(std::size_t at) const {
    if (at + 2 > bytes.size()) throw std::runtime_error("read past end");
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  }
  std::uint32_t u32(std::size_t at) const { return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16; }
};

struct ResourceData {
  std::size_t offset = 0;
  std::size_t size = 0;
  std::uint32_t language = 0;
};

// Walks the resource tree type -> name -> language and returns the first leaf of `type`.
ResourceData find_resource(const Image& img, std::uint32_t type) {
  std::size_t pe = img.u32(0x3C);
  if (img.u32(pe) != 0x00004550) throw std::runtime_error("no PE signature");
  std::size_t coff = pe + 4;
  std::uint16_t sections = img.u16(coff + 2);
  std::uint16_t optional_size = img.u16(coff + 16);
  std::size_t opt = coff + 20;
  std::uint16_t magic = img.u16(opt);
  std::size_t dirs = opt + (magic == 0x20B ? 112 : 96);
  std::uint32_t rsrc_rva = img.u32(dirs + 2 * 8);
  std::size_t table = opt + optional_size;
  auto rva_to_offset = [&](std::uint32_t rva) -> std::size_t {
    for (std::uint16_t i = 0; i < sections; ++i) {
      std::size_t s = table + i * 40u;
      std::uint32_t va = img.u32(s + 12), raw_size = img.u32(s + 16), raw = img.u32(s + 20);
      std::uint32_t vsize = std::max(img.u32(s + 8), raw_size);
      if (rva >= va && rva < va + vsize) return raw + (rva - va);
    }
    throw std::runtime_error("RVA outside every section");
  };
  const std::size_t root = rva_to_offset(rsrc_rva);
  auto entries_of = [&](std::size_t dir) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    std::size_t count = img.u16(dir + 12) + img.u16(dir + 14);
    for (std::size_t i = 0; i < count; ++i) out.emplace_back(img.u32(dir + 16 + 8 * i), img.u32(dir + 20 + 8 * i));
    return out;
  };
  for (auto [id, to_names] : entries_of(root)) {
    if (id != type || !(to_names & 0x80000000u)) continue;
    auto names = entries_of(root + (to_names & 0x7FFFFFFFu));
    if (names.empty() || !(names[0].second & 0x80000000u)) break;
    auto langs = entries_of(root + (names[0].second & 0x7FFFFFFFu));
    if (langs.empty()) break;
    std::size_t leaf = root + langs[0].second;
    return ResourceData{rva_to_offset(img.u32(leaf)), img.u32(leaf + 4), langs[0].first};
  }
  throw std::runtime_error("no resource of that type");
}

std::string utf16(const char* ascii) {
  std::string out;
  for (const char* p = ascii; *p; ++p) {
    out += *p;
    out += '\0';
  }
  return out + std::string(2, '\0');
}

}  // namespace

TEST(RelinfoVersion, FixedInfoStringsAndTranslation) {
  std::ifstream in(RELINFO_DLL, std::ios::binary);
  ASSERT_TRUE(in) << RELINFO_DLL;
  Image img{std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {})};
  ResourceData version = find_resource(img, 16);  // RT_VERSION
  EXPECT_EQ(version.language, 0x0409u);           // U.S. English
  const std::size_t base = version.offset;
  std::string block(img.bytes.begin() + static_cast<long>(base), img.bytes.begin() + static_cast<long>(base + version.size));

  // VS_VERSIONINFO: three WORDs, the key, padding to 32 bits, then VS_FIXEDFILEINFO.
  ASSERT_EQ(block.compare(6, utf16("VS_VERSION_INFO").size(), utf16("VS_VERSION_INFO")), 0);
  std::size_t fixed = (6 + utf16("VS_VERSION_INFO").size() + 3) & ~std::size_t{3};
  EXPECT_EQ(img.u32(base + fixed), 0xFEEF04BDu);       // signature
  EXPECT_EQ(img.u32(base + fixed + 8), 0x00020004u);   // file version 2.4 ...
  EXPECT_EQ(img.u32(base + fixed + 12), 0x00000014u);  // ... .0.20
  EXPECT_EQ(img.u32(base + fixed + 16), 0x00020004u);  // product version 2.4 ...
  EXPECT_EQ(img.u32(base + fixed + 20), 0x00000014u);  // ... .0.20
  EXPECT_EQ(img.u32(base + fixed + 36), 3u);           // VFT_DRV: a driver file

  // The string table of U.S. English with the Unicode code page, and the translation.
  EXPECT_NE(block.find(utf16("040904b0")), std::string::npos);
  std::size_t key = block.find(utf16("Translation"));
  ASSERT_NE(key, std::string::npos);
  std::size_t value = (key + utf16("Translation").size() + 3) & ~std::size_t{3};
  EXPECT_EQ(img.u16(base + value), 0x0409);
  EXPECT_EQ(img.u16(base + value + 2), 1200);
  std::size_t fv = block.find(utf16("FileVersion"));
  ASSERT_NE(fv, std::string::npos);
  EXPECT_NE(block.find(utf16("2.4.0.20"), fv), std::string::npos);
}
