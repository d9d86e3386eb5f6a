// The icons are the system's own, as its message boxes show them; their order
// in the image list is the MessageIcon value.
#include "win/message_list.h"

#include <iterator>
#include <string>

#include "platform/win32/win_text.h"
#include "text/catalog.h"
#include "win/dpi_calls.h"
#include "win/windows_ui.h"

namespace tarnwell::win {
namespace {

// A row's name for screen readers: its severity in the current language,
// then its text. Asked by the annotation service for each row (child id =
// row + 1) when a screen reader wants it, so it is never stale.
class RowNames final : public IAccPropServer {
 public:
  RowNames(HWND list, IAccPropServices* services) : list_(list), services_(services) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IAccPropServer) {
      *out = static_cast<IAccPropServer*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetPropValue(const BYTE* identity, DWORD length, MSAAPROPID,
                                         VARIANT* value, BOOL* got) override {
    *got = FALSE;
    value->vt = VT_EMPTY;
    HWND hwnd = nullptr;
    DWORD object = 0;
    DWORD child = 0;
    if (FAILED(services_->DecomposeHwndIdentityString(identity, length, &hwnd, &object, &child)) ||
        child == CHILDID_SELF) {
      return S_OK;
    }
    wchar_t text[1024] = L"";
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(child) - 1;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    if (!ListView_GetItem(list_, &item)) return S_OK;
    const std::wstring name =
        platform::win32::ToWide(text::LookupUtf8(SeverityWord(item.iImage))) + L": " + text;
    value->vt = VT_BSTR;
    value->bstrVal = SysAllocString(name.c_str());
    *got = value->bstrVal != nullptr;
    return S_OK;
  }

 private:
  static text::TextId SeverityWord(int icon) {
    switch (static_cast<core::MessageIcon>(icon)) {
      case core::MessageIcon::kError:
        return text::TextId::kLegendError;
      case core::MessageIcon::kWarning:
        return text::TextId::kLegendWarning;
      case core::MessageIcon::kInfo:
        break;
    }
    return text::TextId::kLegendInfo;
  }

  HWND list_;
  IAccPropServices* services_;
  ULONG references_ = 1;
};

}  // namespace

MessageList::MessageList(HWND list) : list_(list) {
  // A row cut at the list's edge shows whole in a tip under the pointer.
  ListView_SetExtendedListViewStyle(list_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  const int side = SystemMetricForDpi(SM_CXSMICON, DpiForWindow(list_));
  icons_ = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (LPCWSTR id : {IDI_INFORMATION, IDI_ERROR, IDI_WARNING}) {
    auto icon = static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, side, side, LR_SHARED));
    ImageList_AddIcon(icons_, icon);
  }
  ListView_SetImageList(list_, icons_, LVSIL_SMALL);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = MulDiv(400, DpiForWindow(list_), 96);
  column.pszText = const_cast<wchar_t*>(L"");
  ListView_InsertColumn(list_, 0, &column);
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, reinterpret_cast<void**>(&services_)))) {
    row_names_ = new RowNames(list_, services_);
    MSAAPROPID name = PROPID_ACC_NAME;
    services_->SetHwndPropServer(list_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1,
                                 row_names_, ANNO_CONTAINER);
  } else {
    services_ = nullptr;
  }
}

MessageList::~MessageList() {
  if (services_ != nullptr) {
    MSAAPROPID name = PROPID_ACC_NAME;
    services_->ClearHwndProps(list_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
    services_->Release();
  }
  if (row_names_ != nullptr) row_names_->Release();
  // The list view does not own an image list it was given.
  if (icons_ != nullptr) ImageList_Destroy(icons_);
}

void MessageList::InsertMessage(std::string_view text, core::MessageIcon icon) {
  std::wstring wide = platform::win32::ToWide(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = 0;
  item.pszText = wide.data();
  item.iImage = static_cast<int>(icon);
  ListView_InsertItem(list_, &item);
  FitColumn();  // a scroll bar may have come
}

void MessageList::Clear() { ListView_DeleteAllItems(list_); }

void MessageList::SetColumnTitle(std::string_view title) {
  std::wstring wide = platform::win32::ToWide(title);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = wide.data();
  ListView_SetColumn(list_, 0, &column);
}

void MessageList::FitColumn() {
  // The client width leaves out a vertical scroll bar when there is one.
  RECT client{};
  GetClientRect(list_, &client);
  ListView_SetColumnWidth(list_, 0, client.right);
}

}  // namespace tarnwell::win
