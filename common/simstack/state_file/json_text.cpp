#include "simstack/state_file/json_text.h"

#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <new>

#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/state_file.h"

namespace simstack {

namespace {

// Why a parse stopped where RapidJSON's own error code does not say it.
enum class Refusal { None, TooDeep, NumberTooBig };

// Feeds the document what the lexer reads, counting the nesting and converting
// numbers itself: RapidJSON 1.1.0's conversion of some texts is wrong ("0E88" with full
// precision, "1.7976931348623157e309" to infinity), the standard library's is exact.
class HostHandler {
 public:
  explicit HostHandler(JsonDocument& doc) : doc_(doc) {}
  Refusal refusal() const { return refusal_; }

  bool Null() { return doc_.Null(); }
  bool Bool(bool b) { return doc_.Bool(b); }
  bool Int(int i) { return doc_.Int(i); }
  bool Uint(unsigned i) { return doc_.Uint(i); }
  bool Int64(std::int64_t i) { return doc_.Int64(i); }
  bool Uint64(std::uint64_t i) { return doc_.Uint64(i); }
  bool Double(double d) { return doc_.Double(d); }
  bool String(const char* s, rapidjson::SizeType n, bool copy) { return doc_.String(s, n, copy); }
  bool Key(const char* s, rapidjson::SizeType n, bool copy) { return doc_.Key(s, n, copy); }
  bool StartObject() { return deeper() && doc_.StartObject(); }
  bool EndObject(rapidjson::SizeType n) { --depth_; return doc_.EndObject(n); }
  bool StartArray() { return deeper() && doc_.StartArray(); }
  bool EndArray(rapidjson::SizeType n) { --depth_; return doc_.EndArray(n); }

  // An integer that fits 64 bits stays one (signed when negative); any other number
  // is the nearest double. The lexer has checked the syntax.
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    const char* end = s + n;
    const bool integral = std::string_view(s, n).find_first_of(".eE") == std::string_view::npos;
    if (integral && *s == '-') {
      std::int64_t v = 0;
      if (auto r = std::from_chars(s, end, v); r.ec == std::errc() && r.ptr == end) return doc_.Int64(v);
    } else if (integral) {
      std::uint64_t v = 0;
      if (auto r = std::from_chars(s, end, v); r.ec == std::errc() && r.ptr == end) return doc_.Uint64(v);
    }
    double d = 0;
    const auto r = std::from_chars(s, end, d);
    if (r.ec == std::errc::result_out_of_range) {
      // Too small rounds to zero; too large has no double at all.
      d = std::strtod(std::string(s, n).c_str(), nullptr);
      if (std::isinf(d)) {
        refusal_ = Refusal::NumberTooBig;
        return false;
      }
    }
    return doc_.Double(d);
  }

 private:
  bool deeper() {
    if (++depth_ <= kMaxNesting) return true;
    refusal_ = Refusal::TooDeep;
    return false;
  }

  JsonDocument& doc_;
  std::size_t depth_ = 0;
  Refusal refusal_ = Refusal::None;
};

constexpr unsigned kReadFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseNumbersAsStringsFlag;

// Parses the text of `in`, `size` bytes after a byte-order mark of `bom` bytes.
template <typename Stream>
void parse_stream(Stream& in, std::uint64_t size, std::size_t bom, JsonDocument& doc, const std::string& path) {
  HostHandler handler(doc);
  rapidjson::ParseResult result;
  auto parse = [&](JsonDocument&) {
    rapidjson::Reader reader;
    result = reader.Parse<kReadFlags>(in, handler);
    return !result.IsError();
  };
  try {
    doc.Populate(parse);
  } catch (const std::bad_alloc&) {
    throw StateError(path + ": too large to read (" + std::to_string(size) + " bytes)");
  }
  if (handler.refusal() == Refusal::TooDeep)
    throw StateError(path + ": nested deeper than " + std::to_string(kMaxNesting) + " levels");
  const std::string at = " at byte " + std::to_string(result.Offset() + bom);
  if (handler.refusal() == Refusal::NumberTooBig)
    throw StateError(path + ": not valid JSON (a number too large for a double" + at + ")");
  if (result.IsError())
    throw StateError(path + ": not valid JSON (" + rapidjson::GetParseError_En(result.Code()) + at + ")");
  // The lexer takes a NUL byte for the end of the text: one before the end is a byte
  // JSON does not allow.
  if (in.Tell() + bom != size)
    throw StateError(path + ": not valid JSON (a NUL byte at byte " + std::to_string(in.Tell() + bom) + ")");
}

}  // namespace

void parse_json(std::string_view text, JsonDocument& doc, const std::string& path) {
  const std::size_t bom = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  rapidjson::MemoryStream in(text.data() + bom, text.size() - bom);
  parse_stream(in, text.size(), bom, doc, path);
}

JsonDocument parse_embedded(const char* text, const std::string& name) {
  JsonDocument doc;
  parse_json(text, doc, name);
  return doc;
}

void parse_json_file(std::FILE* file, std::uint64_t size, JsonDocument& doc, const std::string& path) {
  char mark[3] = {};
  const std::size_t bom = std::fread(mark, 1, 3, file) == 3 && std::string_view(mark, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  if (std::fseek(file, static_cast<long>(bom), SEEK_SET) != 0) throw StateError(path + ": cannot be read");
  char buffer[1 << 16];
  rapidjson::FileReadStream in(file, buffer, sizeof buffer);
  parse_stream(in, size, bom, doc, path);
  if (std::ferror(file)) throw StateError(path + ": cannot be read");
}

namespace {

rapidjson::StringBuffer file_text(const Json& doc, const std::string& path) {
  rapidjson::StringBuffer buffer;
  rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);  // validates UTF-8 (see the build)
  static_assert(rapidjson::kWriteDefaultFlags & rapidjson::kWriteValidateEncodingFlag);
  writer.SetIndent(' ', 1);
  writer.SetFormatOptions(rapidjson::kFormatSingleLineArray);  // byte arrays stay one line each
  if (!doc.Accept(writer))
    throw StateError(path + ": the host cannot be written: it holds text that is not UTF-8 or a number that is not finite");
  buffer.Put('\n');
  return buffer;
}

}  // namespace

std::string json_file_text(const Json& doc, const std::string& path) {
  const rapidjson::StringBuffer buffer = file_text(doc, path);
  return std::string(buffer.GetString(), buffer.GetSize());
}

void write_json_file(const Json& doc, const std::string& path) {
  const rapidjson::StringBuffer buffer = file_text(doc, path);
  replace_file_durably(path, std::string_view(buffer.GetString(), buffer.GetSize()));
}

}  // namespace simstack
