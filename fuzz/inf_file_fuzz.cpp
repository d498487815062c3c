// The INF parser on any bytes: every section, line and field it reports can be read
// back through the SetupAPI-shaped queries, and those agree with the parsed lines.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "inf/inf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const inf::InfFile file = inf::InfFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const inf::Section& section : file.sections()) {
    const inf::Section* found = file.section(section.name);
    FUZZ_EXPECT(found != nullptr);
    FUZZ_EXPECT(file.line_count(section.name) >= static_cast<long>(0));
    for (std::size_t i = 0; i < section.lines.size() && found == &section; ++i) {
      const inf::Line& line = section.lines[i];
      FUZZ_EXPECT(file.line(section.name, i) == &line);
      FUZZ_EXPECT(file.line_text(section.name, i).has_value());
      for (std::size_t f = 1; f <= line.fields.size(); ++f) {
        auto text = file.string_field(section.name, i, f);
        FUZZ_EXPECT(text && *text == line.fields[f - 1]);
        (void)file.int_field(section.name, i, f);
      }
      FUZZ_EXPECT(!file.string_field(section.name, i, line.fields.size() + 1));
      if (line.key) FUZZ_EXPECT(file.find_line(section.name, *line.key).has_value());
    }
  }
  (void)file.class_name();
  (void)file.class_guid();
  return 0;
}
