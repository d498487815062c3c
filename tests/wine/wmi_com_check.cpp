// Checks of the COM side of the WMI seam against the real system libraries: a Windows
// program that the wine tests run. The VARIANT / SAFEARRAY conversion meets oleaut32:
// every scalar type and every SAFEARRAY element type is built by hand, read into a
// Value, written back and read again. The COM backend meets wine's WMI: a connection
// with credentials, an enumeration to its end, CIM types and names.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include <sstream>

#include "wmi/com_backend.h"
#include "wmi/com_raii.h"
#include "wmi/value_object.h"
#include "wmi/variant_convert.h"
#include "wmi/wmi_access.h"

using wmi::Value;

namespace {

int checks = 0;
int failures = 0;

void check(bool ok, const char* what, int line) {
  ++checks;
  if (!ok) {
    ++failures;
    std::printf("FAILED line %d: %s\n", line, what);
  }
}
#define CHECK(condition) check((condition), #condition, __LINE__)

// A COM object on the stack that counts its references, to see none is lost or kept.
class CountedUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

// The seam's side of an interface pointer: an object that remembers it.
class Wrapped : public wmi::ValueObject {
 public:
  explicit Wrapped(IUnknown* p) : ValueObject(L"Wrapped", {}, {}), pointer(p) {}
  IUnknown* pointer;
};

const wmi::ObjectBridge kBridge{
    [](IUnknown* p) -> wmi::ObjectPtr { return std::make_shared<Wrapped>(p); },
    [](const wmi::Object& o) -> IUnknown* {
      auto* w = dynamic_cast<const Wrapped*>(&o);
      return w != nullptr ? w->pointer : nullptr;
    }};

IUnknown* pointer_of(const Value& v) {
  auto* w = dynamic_cast<const Wrapped*>(v.object.get());
  return w != nullptr ? w->pointer : nullptr;
}

bool same(const Value& a, const Value& b) {
  if (a.vt != b.vt || a.integer != b.integer || std::memcmp(&a.real, &b.real, sizeof a.real) != 0 ||
      a.text != b.text || !(a.decimal == b.decimal) || pointer_of(a) != pointer_of(b) ||
      a.elements.size() != b.elements.size())
    return false;
  for (std::size_t i = 0; i < a.elements.size(); ++i)
    if (!same(a.elements[i], b.elements[i])) return false;
  return true;
}

Value read(const VARIANT& v, HRESULT expected = S_OK) {
  Value out;
  HRESULT hr = wmi::variant_to_value(v, kBridge, out);
  check(hr == expected, "variant_to_value status", __LINE__);
  return out;
}

// Writes the value back into a VARIANT and reads it again: the same value.
void round_trip(const Value& value, VARTYPE expected_vt) {
  Variant v;
  check(SUCCEEDED(wmi::value_to_variant(value, kBridge, *v.get())), "value_to_variant", __LINE__);
  check(V_VT(v.get()) == expected_vt, "written type", __LINE__);
  if (V_VT(v.get()) & VT_ARRAY) {
    VARTYPE stored = VT_EMPTY;
    SafeArrayGetVartype(V_ARRAY(v.get()), &stored);
    check(stored == (expected_vt & ~VT_ARRAY), "array element type", __LINE__);
  }
  check(same(read(v.ref()), value), "round trip", __LINE__);
}

void scalars(CountedUnknown& unknown) {
  struct Case {
    VARTYPE vt;
    void (*fill)(VARIANT&);
    bool (*expect)(const Value&);
  };
  static const Case cases[] = {
      {VT_EMPTY, [](VARIANT&) {}, [](const Value& v) { return v.vt == wmi::VT_EMPTY; }},
      {VT_NULL, [](VARIANT&) {}, [](const Value& v) { return v.vt == wmi::VT_NULL; }},
      {VT_I1, [](VARIANT& v) { V_I1(&v) = -5; }, [](const Value& v) { return v.integer == -5; }},
      {VT_UI1, [](VARIANT& v) { V_UI1(&v) = 250; }, [](const Value& v) { return v.integer == 250; }},
      {VT_I2, [](VARIANT& v) { V_I2(&v) = -30000; }, [](const Value& v) { return v.integer == -30000; }},
      {VT_UI2, [](VARIANT& v) { V_UI2(&v) = 60000; }, [](const Value& v) { return v.integer == 60000; }},
      {VT_I4, [](VARIANT& v) { V_I4(&v) = std::numeric_limits<LONG>::min(); },
       [](const Value& v) { return v.integer == std::numeric_limits<LONG>::min(); }},
      {VT_UI4, [](VARIANT& v) { V_UI4(&v) = 0xFFFFFFFFu; }, [](const Value& v) { return v.integer == 0xFFFFFFFFll; }},
      {VT_INT, [](VARIANT& v) { V_INT(&v) = -7; }, [](const Value& v) { return v.integer == -7; }},
      {VT_UINT, [](VARIANT& v) { V_UINT(&v) = 0xFFFFFFFEu; }, [](const Value& v) { return v.integer == 0xFFFFFFFEll; }},
      {VT_I8, [](VARIANT& v) { V_I8(&v) = std::numeric_limits<LONGLONG>::min(); },
       [](const Value& v) { return v.integer == std::numeric_limits<LONGLONG>::min(); }},
      {VT_UI8, [](VARIANT& v) { V_UI8(&v) = ~0ull; }, [](const Value& v) { return v.integer == -1; }},
      {VT_R4, [](VARIANT& v) { V_R4(&v) = 1.5f; }, [](const Value& v) { return v.real == 1.5; }},
      {VT_R8, [](VARIANT& v) { V_R8(&v) = 1e300; }, [](const Value& v) { return v.real == 1e300; }},
      {VT_DATE, [](VARIANT& v) { V_DATE(&v) = 45000.25; }, [](const Value& v) { return v.real == 45000.25; }},
      {VT_CY, [](VARIANT& v) { V_CY(&v).int64 = 123456789012345ll; },
       [](const Value& v) { return v.integer == 123456789012345ll; }},
      {VT_ERROR, [](VARIANT& v) { V_ERROR(&v) = static_cast<SCODE>(0x80041002u); },
       [](const Value& v) { return v.integer == static_cast<SCODE>(0x80041002u); }},
      {VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }, [](const Value& v) { return v.integer == -1; }},
      {VT_DECIMAL,
       [](VARIANT& v) {
         DECIMAL d{};
         d.Hi32 = 7;
         d.Lo64 = 0x0123456789ABCDEFull;
         d.scale = 4;
         d.sign = DECIMAL_NEG;
         V_DECIMAL(&v) = d;
       },
       [](const Value& v) { return v.decimal == wmi::Decimal{0x0123456789ABCDEFull, 7, 4, true}; }},
      {VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = SysAllocStringLen(L"a\0\u00e9", 3); },
       [](const Value& v) { return v.text == std::wstring(L"a\0\u00e9", 3); }},
  };
  for (const auto& c : cases) {
    Variant v;
    c.fill(*v.get());
    V_VT(v.get()) = c.vt;  // after the fill: a DECIMAL overlays the type field
    Value value = read(v.ref());
    check(value.vt == c.vt, "scalar type", __LINE__);
    if (!c.expect(value)) std::printf("  (type %u)\n", c.vt);
    check(c.expect(value), "scalar value", __LINE__);
    round_trip(value, c.vt);
  }
  {
    Variant v;
    V_VT(v.get()) = VT_UNKNOWN;
    V_UNKNOWN(v.get()) = &unknown;
    unknown.AddRef();  // the VARIANT's reference
    Value value = read(v.ref());
    CHECK(value.vt == wmi::VT_UNKNOWN && pointer_of(value) == &unknown);
    round_trip(value, VT_UNKNOWN);
    Variant null_object;
    V_VT(null_object.get()) = VT_UNKNOWN;
    CHECK(read(null_object.ref()).object == nullptr);
  }
  Variant by_reference;
  LONG target = 5;
  V_VT(by_reference.get()) = VT_BYREF | VT_I4;
  V_I4REF(by_reference.get()) = &target;
  CHECK(read(by_reference.ref()).vt == (VT_BYREF | VT_I4));  // the type alone
}

// A SAFEARRAY of three elements from index -1, each put by SafeArrayPutElement.
template <class T>
SAFEARRAY* vector_of(VARTYPE vt, const T (&elements)[3]) {
  SAFEARRAYBOUND bound{3, -1};
  SAFEARRAY* sa = SafeArrayCreate(vt, 1, &bound);
  for (LONG i = 0; i < 3; ++i) {
    LONG index = i - 1;
    // Strings and interfaces are put by their pointer, every other element by its address.
    if constexpr (std::is_pointer_v<T>) SafeArrayPutElement(sa, &index, const_cast<void*>(static_cast<const void*>(elements[i])));
    else SafeArrayPutElement(sa, &index, const_cast<T*>(&elements[i]));
  }
  return sa;
}

template <class T>
Value array_value(VARTYPE vt, const T (&elements)[3]) {
  Variant v;
  V_VT(v.get()) = static_cast<VARTYPE>(VT_ARRAY | vt);
  V_ARRAY(v.get()) = vector_of(vt, elements);
  Value value = read(v.ref());
  check(value.vt == (VT_ARRAY | vt) && value.elements.size() == 3, "array shape", __LINE__);
  round_trip(value, static_cast<VARTYPE>(VT_ARRAY | vt));
  return value;
}

void arrays(CountedUnknown& unknown) {
  {
    const CHAR e[3] = {-1, 0, 127};
    Value v = array_value(VT_I1, e);
    CHECK(v.elements[0].integer == -1 && v.elements[2].integer == 127);
  }
  {
    const BYTE e[3] = {1, 0, 255};
    CHECK(array_value(VT_UI1, e).elements[2].integer == 255);
  }
  {
    const SHORT e[3] = {-2, 0, 32767};
    CHECK(array_value(VT_I2, e).elements[0].integer == -2);
  }
  {
    const USHORT e[3] = {65535, 1, 2};
    CHECK(array_value(VT_UI2, e).elements[0].integer == 65535);
  }
  {
    const VARIANT_BOOL e[3] = {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE};
    Value v = array_value(VT_BOOL, e);
    CHECK(v.elements[0].integer == -1 && v.elements[1].integer == 0);
  }
  {
    const LONG e[3] = {-1, 0, 0x7FFFFFFF};
    CHECK(array_value(VT_I4, e).elements[0].integer == -1);
  }
  {
    const ULONG e[3] = {0xFFFFFFFFu, 0, 1};
    CHECK(array_value(VT_UI4, e).elements[0].integer == 0xFFFFFFFFll);
  }
  {
    const INT e[3] = {-3, 0, 3};
    CHECK(array_value(VT_INT, e).elements[0].integer == -3);
  }
  {
    const UINT e[3] = {0xFFFFFFFFu, 0, 3};
    CHECK(array_value(VT_UINT, e).elements[0].integer == 0xFFFFFFFFll);
  }
  {
    const SCODE e[3] = {static_cast<SCODE>(0x80070005u), 0, 1};
    CHECK(array_value(VT_ERROR, e).elements[0].integer == static_cast<SCODE>(0x80070005u));
  }
  {
    const FLOAT e[3] = {0.5f, 0, -2.25f};
    CHECK(array_value(VT_R4, e).elements[2].real == -2.25);
  }
  // Elements of 8 and 16 bytes: each read whole, none squeezed into four.
  {
    const LONGLONG e[3] = {std::numeric_limits<LONGLONG>::min(), 0, 0x0123456789ABCDEFll};
    Value v = array_value(VT_I8, e);
    CHECK(v.elements[0].integer == std::numeric_limits<LONGLONG>::min() && v.elements[2].integer == 0x0123456789ABCDEFll);
  }
  {
    const ULONGLONG e[3] = {~0ull, 0, 1};
    CHECK(array_value(VT_UI8, e).elements[0].integer == -1);
  }
  {
    const DOUBLE e[3] = {1e300, 0, -0.125};
    Value v = array_value(VT_R8, e);
    CHECK(v.elements[0].real == 1e300 && v.elements[2].real == -0.125);
  }
  {
    const DATE e[3] = {45000.25, 0, 1};
    CHECK(array_value(VT_DATE, e).elements[0].real == 45000.25);
  }
  {
    CY e[3] = {};
    e[0].int64 = -123456789012345ll;
    e[2].int64 = 10000;
    CHECK(array_value(VT_CY, e).elements[0].integer == -123456789012345ll);
  }
  {
    DECIMAL e[3] = {};
    e[0].Hi32 = 0xFFFFFFFFu;
    e[0].Lo64 = ~0ull;
    e[0].scale = 28;
    e[2].Lo64 = 5;
    e[2].sign = DECIMAL_NEG;
    Value v = array_value(VT_DECIMAL, e);
    CHECK(v.elements[0].decimal == (wmi::Decimal{~0ull, 0xFFFFFFFFu, 28, false}));
    CHECK(v.elements[2].decimal == (wmi::Decimal{5, 0, 0, true}));
  }
  {
    Bstr a(L"first");
    Bstr b(L"");
    Bstr c(L"\u00e9t\u00e9");
    const BSTR e[3] = {a.get(), b.get(), c.get()};
    Value v = array_value(VT_BSTR, e);
    CHECK(v.elements[0].text == L"first" && v.elements[1].text.empty() && v.elements[2].text == L"\u00e9t\u00e9");
  }
  {
    IUnknown* const e[3] = {&unknown, nullptr, &unknown};
    Value v = array_value(VT_UNKNOWN, e);
    CHECK(pointer_of(v.elements[0]) == &unknown && v.elements[1].object == nullptr);
  }
  {
    Variant a, b, c;
    V_VT(a.get()) = VT_I4;
    V_I4(a.get()) = 42;
    V_VT(b.get()) = VT_BSTR;
    V_BSTR(b.get()) = SysAllocString(L"mixed");
    V_VT(c.get()) = VT_R8;
    V_R8(c.get()) = 2.5;
    const VARIANT e[3] = {a.ref(), b.ref(), c.ref()};
    Value v = array_value(VT_VARIANT, e);
    CHECK(v.elements[0].vt == wmi::VT_I4 && v.elements[0].integer == 42);
    CHECK(v.elements[1].vt == wmi::VT_BSTR && v.elements[1].text == L"mixed");
    CHECK(v.elements[2].vt == wmi::VT_R8 && v.elements[2].real == 2.5);
  }
}

void unreadable_arrays() {
  // An array whose elements are 8 bytes but whose VARIANT says 4: refused, not read.
  Variant mislabeled;
  SAFEARRAYBOUND bound{2, 0};
  V_VT(mislabeled.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(mislabeled.get()) = SafeArrayCreate(VT_R8, 1, &bound);
  read(mislabeled.ref(), DISP_E_BADVARTYPE);
  Variant two_dimensions;
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  V_VT(two_dimensions.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(two_dimensions.get()) = SafeArrayCreate(VT_I4, 2, bounds);
  read(two_dimensions.ref(), DISP_E_TYPEMISMATCH);
  Variant empty;
  V_VT(empty.get()) = VT_ARRAY | VT_R8;
  V_ARRAY(empty.get()) = SafeArrayCreateVector(VT_R8, 0, 0);
  CHECK(read(empty.ref()).elements.empty());
  Variant no_array;
  V_VT(no_array.get()) = VT_ARRAY | VT_BSTR;
  CHECK(read(no_array.ref()).vt == (VT_ARRAY | VT_BSTR));
}

void backend_against_wmi() {
  auto backend = wmi::make_com_backend();
  std::ostringstream messages;
  std::unique_ptr<wmi::Services> root_wmi;
  CHECK(wmi::wmi_connect(*backend, messages, root_wmi) == 0);
  // A user and password put an identity on the services' proxy blanket and on each
  // enumerator's (wine takes credentials for this computer too; Windows refuses them).
  std::unique_ptr<wmi::Services> cimv2;
  CHECK(backend->create_locator(L"ROOT\\WMI") == S_OK);
  CHECK(backend->connect_server(L"\\\\.\\root\\cimv2", L"CORP\\admin", L"s3cret", cimv2) == S_OK);
  if (!cimv2) return;
  CHECK(backend->set_proxy_blanket(*cimv2) == S_OK);
  HResult end = S_OK;
  int disks = 0;
  HResult started = cimv2->enumerate_to_end(L"Win32_DiskDrive", [&](wmi::Object& disk) {
    ++disks;
    Value size = wmi::wmi_get(disk, L"Size");
    CHECK(size.vt == wmi::VT_BSTR && size.cim_type == wmi::CIM_UINT64);  // 64-bit text, told by its CIM type
    CHECK(wmi::wmi_get(disk, L"DeviceID").cim_type == wmi::CIM_STRING);
    std::vector<std::wstring> names;
    wmi::NamesStep step;
    CHECK(disk.get_names(names, step) == S_OK);
    CHECK(std::find(names.begin(), names.end(), L"Size") != names.end());
    CHECK(std::find(names.begin(), names.end(), L"__CLASS") == names.end());
    return true;
  }, end);
  CHECK(started == S_OK);
  CHECK(disks > 0);
  CHECK(end == wmi::kWBEM_S_FALSE);
  wmi::ObjectPtr missing;
  CHECK(cimv2->get_class(L"NoSuchClass", missing) == static_cast<HRESULT>(0x80041002u));
  backend->take_error_object();  // wine leaves none; Windows an __ExtendedStatus
  CHECK(backend->take_error_object() == nullptr);
}

}  // namespace

int main() {
  CountedUnknown unknown;
  scalars(unknown);
  arrays(unknown);
  unreadable_arrays();
  CHECK(unknown.refs == 1);  // every reference taken was given back
  backend_against_wmi();
  std::printf("COM checks: %d checks, %d failed\n", checks, failures);
  return failures == 0 ? 0 : 1;
}
