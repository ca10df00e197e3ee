#include "toolkit/win32/accessible.h"

#include <oleacc.h>

// Interface ids by __uuidof: oleacc.dll exports IID_IAccessible as data,
// which a plain reference would take for the address of a code thunk.

namespace tk::win32 {

namespace {

BSTR ToBstr(const std::string& text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR bstr = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (bstr && length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bstr, length);
    return bstr;
}

HRESULT Text(const std::string& text, BSTR* out)
{
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = ToBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// COM objects end in their own Release, never through an interface pointer,
// so the interfaces' destructors need not be virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ControlObject final : public IAccessible, public IOleWindow {
public:
    ControlObject(HWND hwnd, IAccessible* standard, std::weak_ptr<ReadingSource> source)
        : hwnd_(hwnd), standard_(standard), source_(std::move(source))
    {
    }
    ControlObject(const ControlObject&) = delete;
    ControlObject& operator=(const ControlObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible))
            *out = static_cast<IAccessible*>(this);
        else if (iid == __uuidof(IOleWindow))
            *out = static_cast<IOleWindow*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override
    {
        *hwnd = hwnd_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible: what the toolkit knows.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child))
            return standard_->get_accName(child, name);
        const auto reading = Read();
        return reading ? Text(reading->name, name) : Gone();
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        if (!IsSelf(child))
            return standard_->get_accDescription(child, description);
        const auto reading = Read();
        return reading ? Text(reading->description, description) : Gone();
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        const auto reading = IsSelf(child) ? Read() : std::nullopt;
        if (reading && reading->value)
            return Text(*reading->value, value);
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child))
            return standard_->get_accRole(child, role);
        const auto reading = Read();
        if (!reading)
            return Gone();
        role->vt = VT_I4;
        role->lVal = reading->role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        const HRESULT standard = standard_->get_accState(child, state);
        if (!IsSelf(child))
            return standard;
        const auto reading = Read();
        if (!reading)
            return Gone();
        if (FAILED(standard) || state->vt != VT_I4) {
            state->vt = VT_I4;
            state->lVal = 0;
        }
        state->lVal |= reading->state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        const auto reading = IsSelf(child) ? Read() : std::nullopt;
        if (reading && reading->no_action) {
            *action = nullptr;
            return S_FALSE;
        }
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        const auto reading = IsSelf(child) ? Read() : std::nullopt;
        if (reading && reading->no_action)
            return DISP_E_MEMBERNOTFOUND;
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        const auto reading = IsSelf(child) ? Read() : std::nullopt;
        RECT r{};
        if (!reading || !reading->own_place)
            return standard_->accLocation(left, top, width, height, child);
        if (!::GetWindowRect(hwnd_, &r))
            return Gone();
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override
    {
        const auto reading = Read();
        if (!reading || !reading->own_place)
            return standard_->accHitTest(x, y, hit);
        RECT r{};
        const POINT at{x, y};
        if (::GetWindowRect(hwnd_, &r) && ::PtInRect(&r, at)) {
            hit->vt = VT_I4;
            hit->lVal = CHILDID_SELF;
            return S_OK;
        }
        hit->vt = VT_EMPTY;
        return S_FALSE;
    }

    // IAccessible: the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        return standard_->get_accSelection(selection);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    ~ControlObject() { standard_->Release(); }

    std::optional<Reading> Read() const
    {
        const auto source = source_.lock();
        if (!source || !::IsWindow(hwnd_))
            return std::nullopt;
        return (*source)();
    }
    static HRESULT Gone() { return RPC_E_DISCONNECTED; }

    LONG refs_ = 1;
    HWND hwnd_;
    IAccessible* standard_;
    std::weak_ptr<ReadingSource> source_;
};
#pragma GCC diagnostic pop

} // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wparam, LPARAM lparam, const std::shared_ptr<ReadingSource>& source)
{
    if (static_cast<LONG>(lparam) != static_cast<LONG>(OBJID_CLIENT) || !source)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    auto* object = new ControlObject(hwnd, standard, source);
    const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wparam, static_cast<IAccessible*>(object));
    object->Release();
    // A failure leaves the question to the system.
    return FAILED(result) ? 0 : result;
}

} // namespace tk::win32
