#include "accessible_name.h"

#include <commctrl.h>
#include <oleacc.h>

namespace tavik {

namespace {
// Windows' standard accessible object of a window with another name: every
// call but the name (and the role) goes to it unchanged.
class TNamedAccessible final : public IAccessible {
public:
    TNamedAccessible(IAccessible* standard, const std::wstring& name, LONG role)
        : Standard_(standard), Name_(name), Role_(role) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // Anything else the standard object offers (IEnumVARIANT, IOleWindow).
        return Standard_->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&References_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&References_);
        if (left == 0) {
            Standard_->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IAccessible: the object itself named, its children as they are.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return Standard_->get_accName(child, name);
        *name = SysAllocString(Name_.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!Role_ || child.vt != VT_I4 || child.lVal != CHILDID_SELF) return Standard_->get_accRole(child, role);
        role->vt = VT_I4;
        role->lVal = Role_;
        return S_OK;
    }

    // IDispatch and the rest of IAccessible, passed on.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return Standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return Standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
        return Standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
        return Standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return Standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return Standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return Standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override { return Standard_->get_accValue(child, value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return Standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override { return Standard_->get_accState(child, state); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return Standard_->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return Standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return Standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return Standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return Standard_->get_accSelection(children); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return Standard_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return Standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return Standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override { return Standard_->accHitTest(x, y, child); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return Standard_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override { return Standard_->put_accValue(child, value); }

private:
    ~TNamedAccessible() = default;

    LONG References_ = 1;
    IAccessible* Standard_;
    std::wstring Name_;
    LONG Role_;
};

struct TNaming {
    std::wstring Name;
    LONG Role;
};

constexpr UINT_PTR SubclassId = 0x7461;  // "ta"

LRESULT CALLBACK NamingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* naming = reinterpret_cast<TNaming*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        IAccessible* standard = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard)))) {
            auto* named = new TNamedAccessible(standard, naming->Name, naming->Role);
            const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
            named->Release();
            return result;
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, NamingProcedure, SubclassId);
        delete naming;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
}  // namespace

void NameForScreenReaders(HWND control, const std::wstring& name, LONG role) {
    auto* naming = new TNaming{name, role};
    if (!SetWindowSubclass(control, NamingProcedure, SubclassId, reinterpret_cast<DWORD_PTR>(naming))) delete naming;
}

}  // namespace tavik
