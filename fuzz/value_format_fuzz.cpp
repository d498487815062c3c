// The WMI browser's value formatter on any VARIANT type, CIM type and contents, scalar
// or array: it never fails, an array without elements prints "<empty array>", and a
// type it does not know prints "<conversion error>".
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "browser/value_format.h"
#include "fuzz_check.h"

namespace {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint64_t next64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | next();
    return v;
  }
  bool done() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

wmi::Value scalar(Bytes& bytes, std::uint16_t vt) {
  wmi::Value v;
  v.vt = vt;
  const std::uint64_t bits = bytes.next64();
  v.integer = static_cast<std::int64_t>(bits);
  double real = 0;
  std::memcpy(&real, &bits, sizeof real);
  v.real = real;
  const std::size_t length = bytes.next() % 12;
  for (std::size_t i = 0; i < length; ++i) v.text += static_cast<wchar_t>(bytes.next() | (bytes.next() << 8));
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::uint16_t vt = static_cast<std::uint16_t>(bytes.next() | ((bytes.next() & 0x20) << 8));
  const std::int32_t cim_type = static_cast<std::int32_t>(bytes.next() | (bytes.next() & 0x20) << 8);
  wmi::Value value;
  if (vt & wmi::VT_ARRAY) {
    value.vt = vt;
    const std::size_t count = bytes.next() % 40;
    for (std::size_t i = 0; i < count && !bytes.done(); ++i)
      value.elements.push_back(scalar(bytes, static_cast<std::uint16_t>(vt & ~wmi::VT_ARRAY)));
  } else {
    value = scalar(bytes, vt);
  }
  value.cim_type = cim_type;
  const std::wstring text = format_value(cim_type, value, [](const wmi::Value&) { return std::wstring(L"{embedded}"); });
  if (value.is_array() && value.elements.empty() && (value.element_type() == wmi::VT_BOOL || value.element_type() == wmi::VT_UI1))
    FUZZ_EXPECT(text == L"<empty array>");
  (void)cim64_bits(value.text, bytes.next() % 2 == 0);
  return 0;
}
