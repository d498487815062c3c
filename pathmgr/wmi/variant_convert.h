// The one conversion between COM's VARIANT / SAFEARRAY and the seam's Value, in both
// directions, for every scalar type and every element type a SAFEARRAY holds. Each
// element is read and written at its own size (SafeArrayGetElement writes the
// element's full size), so no type is squeezed through a buffer of another.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <vector>

#include "wmi/wmi_seam.h"

namespace wmi {

// How objects cross the conversion: an interface pointer found in a VARIANT becomes
// the seam's object (null when it is no WMI object), and a seam object gives back its
// interface pointer (null when it is no object of the COM backend).
struct ObjectBridge {
  std::function<std::shared_ptr<Object>(IUnknown*)> wrap;
  std::function<IUnknown*(const Object&)> unwrap;
};

// VARIANT -> Value. A type with no Value form (VT_RECORD, by-reference values) keeps
// its type and carries nothing. Fails only when an array cannot be read: more than
// one dimension, elements of another size than the type says, or a failing
// SafeArrayGet* call.
HRESULT variant_to_value(const VARIANT& v, const ObjectBridge& bridge, Value& out);

// The elements of a one-dimensional SAFEARRAY of `element` type, from the lower to
// the upper bound; `failed` names the step that failed.
HRESULT safearray_to_values(SAFEARRAY* sa, VARTYPE element, const ObjectBridge& bridge, std::vector<Value>& out,
                            NamesStep& failed);

// Value -> VARIANT, exactly as the Value holds it; `out` is VariantInit'ed and is
// cleared by the caller. DISP_E_BADVARTYPE for a type with no VARIANT form here.
HRESULT value_to_variant(const Value& value, const ObjectBridge& bridge, VARIANT& out);

}  // namespace wmi
