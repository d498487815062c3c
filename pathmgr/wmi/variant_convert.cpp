#include "wmi/variant_convert.h"

#include <cstring>

#include "wmi/com_raii.h"

namespace wmi {

namespace {

// Bytes of one element of a SAFEARRAY of this type; 0 for a type this layer does not read.
std::size_t element_size(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
    case VT_R4: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(IUnknown*);
    case VT_VARIANT: return sizeof(VARIANT);
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return 0;
  }
}

template <class T>
T load(const void* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

// One value of type `vt` stored at `data` (a VARIANT's union member or an array
// element). Strings and interfaces are copied or referenced, never taken over.
HRESULT read_value(VARTYPE vt, const void* data, const ObjectBridge& bridge, Value& out) {
  out = Value{};
  out.vt = vt;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_I1: out.integer = load<CHAR>(data); return S_OK;
    case VT_UI1: out.integer = load<BYTE>(data); return S_OK;
    case VT_I2: out.integer = load<SHORT>(data); return S_OK;
    case VT_UI2: out.integer = load<USHORT>(data); return S_OK;
    case VT_BOOL: out.integer = load<VARIANT_BOOL>(data) ? -1 : 0; return S_OK;
    case VT_I4: out.integer = load<LONG>(data); return S_OK;
    case VT_UI4: out.integer = load<ULONG>(data); return S_OK;
    case VT_INT: out.integer = load<INT>(data); return S_OK;
    case VT_UINT: out.integer = load<UINT>(data); return S_OK;
    case VT_ERROR: out.integer = load<SCODE>(data); return S_OK;
    case VT_I8: out.integer = load<LONGLONG>(data); return S_OK;
    case VT_UI8: out.integer = static_cast<std::int64_t>(load<ULONGLONG>(data)); return S_OK;
    case VT_CY: out.integer = load<CY>(data).int64; return S_OK;
    case VT_R4: out.real = load<FLOAT>(data); return S_OK;
    case VT_R8: out.real = load<DOUBLE>(data); return S_OK;
    case VT_DATE: out.real = load<DATE>(data); return S_OK;
    case VT_DECIMAL: {
      auto d = load<DECIMAL>(data);
      out.decimal = Decimal{d.Lo64, d.Hi32, d.scale, (d.sign & DECIMAL_NEG) != 0};
      return S_OK;
    }
    case VT_BSTR: {
      BSTR b = load<BSTR>(data);
      if (b != nullptr) out.text.assign(b, SysStringLen(b));  // a null BSTR is the empty string
      return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      out.vt = VT_UNKNOWN;
      IUnknown* unknown = load<IUnknown*>(data);
      if (unknown != nullptr && bridge.wrap) out.object = bridge.wrap(unknown);
      return S_OK;
    }
    default: return S_OK;  // no Value form (a lone VT_VARIANT included): the type alone
  }
}

// One array element, read into storage of its own size and released after the copy.
HRESULT read_element(SAFEARRAY* sa, VARTYPE vt, LONG index, const ObjectBridge& bridge, Value& out) {
  switch (vt) {
    case VT_BSTR: {
      BSTR b = nullptr;
      HRESULT hr = SafeArrayGetElement(sa, &index, &b);  // a copy of the string
      if (FAILED(hr)) return hr;
      hr = read_value(vt, &b, bridge, out);
      SysFreeString(b);
      return hr;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* unknown = nullptr;
      HRESULT hr = SafeArrayGetElement(sa, &index, &unknown);  // one more reference
      if (FAILED(hr)) return hr;
      hr = read_value(vt, &unknown, bridge, out);
      if (unknown != nullptr) unknown->Release();
      return hr;
    }
    case VT_VARIANT: {
      Variant v;
      HRESULT hr = SafeArrayGetElement(sa, &index, v.get());  // a copy (VariantCopy)
      if (FAILED(hr)) return hr;
      return variant_to_value(v.ref(), bridge, out);
    }
    default: {
      alignas(16) unsigned char storage[sizeof(DECIMAL)] = {};
      static_assert(sizeof storage >= 8, "every plain element fits");
      HRESULT hr = SafeArrayGetElement(sa, &index, storage);
      if (FAILED(hr)) return hr;
      return read_value(vt, storage, bridge, out);
    }
  }
}

// Writes one element; SafeArrayPutElement copies strings and variants and adds a
// reference to interfaces.
HRESULT write_element(SAFEARRAY* sa, VARTYPE vt, LONG index, const Value& e, const ObjectBridge& bridge) {
  switch (vt) {
    case VT_BSTR: {
      Bstr b(e.text);
      if (!b.ok()) return E_OUTOFMEMORY;
      return SafeArrayPutElement(sa, &index, b.get());
    }
    case VT_UNKNOWN: {
      IUnknown* unknown = e.object && bridge.unwrap ? bridge.unwrap(*e.object) : nullptr;
      if (unknown == nullptr && e.object) return E_INVALIDARG;
      return SafeArrayPutElement(sa, &index, unknown);
    }
    case VT_VARIANT: {
      Variant v;
      HRESULT hr = value_to_variant(e, bridge, *v.get());
      if (FAILED(hr)) return hr;
      return SafeArrayPutElement(sa, &index, v.get());
    }
    default: {
      Variant v;  // the scalar's VARIANT form holds the element's bytes at their size
      Value scalar = e;
      scalar.vt = vt;
      HRESULT hr = value_to_variant(scalar, bridge, *v.get());
      if (FAILED(hr)) return hr;
      if (vt == VT_DECIMAL) return SafeArrayPutElement(sa, &index, &V_DECIMAL(v.get()));
      return SafeArrayPutElement(sa, &index, &V_I1(v.get()));
    }
  }
}

}  // namespace

HRESULT safearray_to_values(SAFEARRAY* sa, VARTYPE element, const ObjectBridge& bridge, std::vector<Value>& out,
                            NamesStep& failed) {
  out.clear();
  failed = NamesStep::Element;
  if (sa == nullptr) return S_OK;
  if (SafeArrayGetDim(sa) != 1) return DISP_E_TYPEMISMATCH;
  const std::size_t size = element_size(element);
  if (size == 0) return S_OK;  // elements of a type with no Value form: none read
  if (SafeArrayGetElemsize(sa) != size) return DISP_E_BADVARTYPE;
  LONG lower = 0;
  LONG upper = -1;
  HRESULT hr = SafeArrayGetLBound(sa, 1, &lower);
  if (FAILED(hr)) {
    failed = NamesStep::LowerBound;
    return hr;
  }
  hr = SafeArrayGetUBound(sa, 1, &upper);
  if (FAILED(hr)) {
    failed = NamesStep::UpperBound;
    return hr;
  }
  if (upper < lower) return S_OK;
  out.reserve(static_cast<std::size_t>(static_cast<long long>(upper) - lower) + 1);
  for (LONG i = lower;; ++i) {
    Value e;
    hr = read_element(sa, element, i, bridge, e);
    if (FAILED(hr)) {
      out.clear();
      return hr;
    }
    out.push_back(std::move(e));
    if (i == upper) break;  // not i <= upper: upper may be LONG's largest value
  }
  return S_OK;
}

HRESULT variant_to_value(const VARIANT& v, const ObjectBridge& bridge, Value& out) {
  const VARTYPE vt = V_VT(&v);
  if ((vt & VT_BYREF) != 0 || (vt & VT_VECTOR) != 0) {
    out = Value{};
    out.vt = vt;
    return S_OK;
  }
  if ((vt & VT_ARRAY) == 0) {
    const void* data = vt == VT_DECIMAL ? static_cast<const void*>(&V_DECIMAL(&v)) : &V_I1(&v);
    return read_value(vt, data, bridge, out);
  }
  VARTYPE element = static_cast<VARTYPE>(vt & ~VT_ARRAY);
  std::vector<Value> elements;
  NamesStep step;
  HRESULT hr = safearray_to_values(V_ARRAY(&v), element, bridge, elements, step);
  if (FAILED(hr)) return hr;
  if (element == VT_DISPATCH) element = VT_UNKNOWN;
  out = Value::array(element, std::move(elements));
  return S_OK;
}

HRESULT value_to_variant(const Value& value, const ObjectBridge& bridge, VARIANT& v) {
  VariantInit(&v);
  if (value.is_array()) {
    const VARTYPE element = value.element_type();
    if (element_size(element) == 0 || element == VT_DISPATCH) return DISP_E_BADVARTYPE;
    SafeArray sa(SafeArrayCreateVector(element, 0, static_cast<ULONG>(value.elements.size())));
    if (!sa.get()) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < value.elements.size(); ++i) {
      HRESULT hr = write_element(sa.get(), element, static_cast<LONG>(i), value.elements[i], bridge);
      if (FAILED(hr)) return hr;
    }
    V_VT(&v) = static_cast<VARTYPE>(VT_ARRAY | element);
    V_ARRAY(&v) = sa.release();
    return S_OK;
  }
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_I1: V_I1(&v) = static_cast<CHAR>(value.integer); break;
    case VT_UI1: V_UI1(&v) = static_cast<BYTE>(value.integer); break;
    case VT_I2: V_I2(&v) = static_cast<SHORT>(value.integer); break;
    case VT_UI2: V_UI2(&v) = static_cast<USHORT>(value.integer); break;
    case VT_BOOL: V_BOOL(&v) = value.integer != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I4: V_I4(&v) = static_cast<LONG>(value.integer); break;
    case VT_UI4: V_UI4(&v) = static_cast<ULONG>(value.integer); break;
    case VT_INT: V_INT(&v) = static_cast<INT>(value.integer); break;
    case VT_UINT: V_UINT(&v) = static_cast<UINT>(value.integer); break;
    case VT_ERROR: V_ERROR(&v) = static_cast<SCODE>(value.integer); break;
    case VT_I8: V_I8(&v) = value.integer; break;
    case VT_UI8: V_UI8(&v) = static_cast<ULONGLONG>(value.integer); break;
    case VT_CY: V_CY(&v).int64 = value.integer; break;
    case VT_R4: V_R4(&v) = static_cast<FLOAT>(value.real); break;
    case VT_R8: V_R8(&v) = value.real; break;
    case VT_DATE: V_DATE(&v) = value.real; break;
    case VT_DECIMAL: {
      DECIMAL d{};
      d.Lo64 = value.decimal.low;
      d.Hi32 = value.decimal.high;
      d.scale = value.decimal.scale;
      d.sign = value.decimal.negative ? DECIMAL_NEG : 0;
      V_DECIMAL(&v) = d;  // overlays the type field: set the type after it
      break;
    }
    case VT_BSTR:
      V_BSTR(&v) = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
      if (V_BSTR(&v) == nullptr) return E_OUTOFMEMORY;
      break;
    case VT_UNKNOWN: {
      IUnknown* unknown = value.object && bridge.unwrap ? bridge.unwrap(*value.object) : nullptr;
      if (unknown == nullptr && value.object) return E_INVALIDARG;  // not an object of this backend
      V_UNKNOWN(&v) = unknown;
      if (unknown != nullptr) unknown->AddRef();  // the VARIANT owns one reference
      break;
    }
    default: return DISP_E_BADVARTYPE;
  }
  V_VT(&v) = value.vt;
  return S_OK;
}

}  // namespace wmi
