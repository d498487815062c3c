#include "wmi/com_event_sink.h"

#include <new>
#include <type_traits>
#include <vector>

#include "wmi/com_backend.h"

namespace wmi {

// WMI calls the sink through the IWbemObjectSink vtable with the COM calling
// convention. On x86 that is __stdcall, not the compiler's default: a method declared
// without it would unbalance the caller's stack on the 32-bit build only, so the
// member types are checked here, where the i686 build sees them.
template <class C> using QueryInterfaceSlot = HRESULT (STDMETHODCALLTYPE C::*)(REFIID, void**);
template <class C> using CountSlot = ULONG (STDMETHODCALLTYPE C::*)();
template <class C> using IndicateSlot = HRESULT (STDMETHODCALLTYPE C::*)(LONG, IWbemClassObject**);
template <class C> using SetStatusSlot = HRESULT (STDMETHODCALLTYPE C::*)(LONG, HRESULT, BSTR, IWbemClassObject*);
static_assert(std::is_same_v<decltype(&IWbemObjectSink::Indicate), IndicateSlot<IWbemObjectSink>>);
static_assert(std::is_same_v<decltype(&VdsEventSink::QueryInterface), QueryInterfaceSlot<VdsEventSink>>);
static_assert(std::is_same_v<decltype(&VdsEventSink::AddRef), CountSlot<VdsEventSink>>);
static_assert(std::is_same_v<decltype(&VdsEventSink::Release), CountSlot<VdsEventSink>>);
static_assert(std::is_same_v<decltype(&VdsEventSink::Indicate), IndicateSlot<VdsEventSink>>);
static_assert(std::is_same_v<decltype(&VdsEventSink::SetStatus), SetStatusSlot<VdsEventSink>>);
#if defined(__i386__)
static_assert(!std::is_same_v<IndicateSlot<VdsEventSink>, HRESULT (VdsEventSink::*)(LONG, IWbemClassObject**)>,
              "the x86 COM convention must differ from the default one");
#endif
// One interface vtable and nothing after it that COM could call: IUnknown reached one
// way only, no virtual destructor, no derived class adding slots.
static_assert(std::is_convertible_v<VdsEventSink*, IUnknown*>);
static_assert(!std::has_virtual_destructor_v<VdsEventSink>);
static_assert(std::is_final_v<VdsEventSink>);

VdsEventSink* VdsEventSink::create(std::shared_ptr<NotificationSink> target) {
  return new (std::nothrow) VdsEventSink(std::move(target));
}

HRESULT STDMETHODCALLTYPE VdsEventSink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IWbemObjectSink)) {
    *object = static_cast<IWbemObjectSink*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE VdsEventSink::AddRef() { return static_cast<ULONG>(++count_); }

ULONG STDMETHODCALLTYPE VdsEventSink::Release() {
  const LONG left = --count_;
  if (left == 0) delete this;  // the last reference: COM objects free themselves
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE VdsEventSink::Indicate(LONG object_count, IWbemClassObject** objects) {
  if (object_count <= 0 || objects == nullptr) return WBEM_S_NO_ERROR;
  try {
    std::vector<ObjectPtr> batch;
    batch.reserve(static_cast<std::size_t>(object_count));
    for (LONG i = 0; i < object_count; ++i)
      if (ObjectPtr object = wrap_com_object(objects[i])) batch.push_back(std::move(object));
    target_->indicate(batch);
  } catch (const std::bad_alloc&) {
    return WBEM_E_OUT_OF_MEMORY;
  } catch (...) {
    return WBEM_E_FAILED;  // nothing may leave a COM method as an exception
  }
  return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE VdsEventSink::SetStatus(LONG, HRESULT result, BSTR, IWbemClassObject*) {
  try {
    target_->set_status(result);
  } catch (...) {
  }
  return WBEM_S_NO_ERROR;
}

}  // namespace wmi
