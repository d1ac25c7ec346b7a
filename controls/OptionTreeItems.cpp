#include "controls/OptionTreeItems.h"

#include "controls/ChoiceEditor.h"
#include "win/GdiScope.h"

#include <utility>

namespace {

constexpr UINT kValueFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS;

std::string Narrow(const wchar_t* text, int length) {
    if (!text || length <= 0) return {};
    int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

// Any value the platform can turn into text; empty when it cannot.
std::string VariantText(const VARIANT& value) {
    VARIANT text;
    ::VariantInit(&text);
    if (FAILED(::VariantChangeType(&text, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR)))
        return {};
    std::string result = Narrow(text.bstrVal, static_cast<int>(::SysStringLen(text.bstrVal)));
    ::VariantClear(&text);
    return result;
}

std::string WindowText(HWND hwnd) {
    int length = ::GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void SetInt(VARIANT& value, LONG number) {
    ::VariantClear(&value);
    value.vt = VT_I4;
    value.lVal = number;
}

}  // namespace

// ---- OptionTreeItem ----

OptionTreeItem::OptionTreeItem(const char* label) : label_(label ? label : "") {}
OptionTreeItem::~OptionTreeItem() = default;

void OptionTreeItem::Attach(HWND tree, HTREEITEM node) {
    tree_ = tree;
    node_ = node;
}

const char* OptionTreeItem::Label() const { return label_.c_str(); }
void OptionTreeItem::SetEnabled(bool enabled) { enabled_ = enabled; }
bool OptionTreeItem::IsEnabled() const { return enabled_; }
void OptionTreeItem::DrawValue(const ItemDrawContext&) const {}
HWND OptionTreeItem::CreateEditor(HWND, const RECT&, HFONT) { return nullptr; }
void OptionTreeItem::OnAction(ItemAction) {}
std::string OptionTreeItem::ValueText() const { return {}; }
int OptionTreeItem::ValueTextLength() const { return static_cast<int>(ValueText().size()); }
void OptionTreeItem::GetValue(VARIANT& value) const { ::VariantClear(&value); }
bool OptionTreeItem::ReadValueFromEditor(HWND) { return false; }
bool OptionTreeItem::SetValue(const VARIANT&) { return false; }

void OptionTreeItem::SetNote(std::string note, std::string tip) {
    note_ = std::move(note);
    tip_ = std::move(tip);
}

void OptionTreeItem::RequestValueChange(const VARIANT& value) {
    if (tree_)
        ::SendMessageA(tree_, kOtmValueChangeRequest, reinterpret_cast<WPARAM>(&value),
                       reinterpret_cast<LPARAM>(this));
}

// ---- TextItem ----

TextItem::TextItem(const char* label) : OptionTreeItem(label) { ::VariantInit(&value_); }
TextItem::~TextItem() { ::VariantClear(&value_); }

void TextItem::DrawValue(const ItemDrawContext& context) const {
    RECT area = context.area;
    area.left += 2;
    if (icon_) {
        int size = ::GetSystemMetrics(SM_CXSMICON);
        ::DrawIconEx(context.hdc, context.area.left + 2, context.area.top + 2, icon_, size,
                     ::GetSystemMetrics(SM_CYSMICON), 0, nullptr, DI_NORMAL);
        area.left = context.area.left + size + 6;
    }
    TextColorScope colour(context.hdc, context.greyed ? context.greyText : context.text);
    BkModeScope mode(context.hdc, OPAQUE);
    BkColorScope background(context.hdc, context.background);
    std::string shown = ValueText();
    ::DrawTextA(context.hdc, shown.c_str(), static_cast<int>(shown.size()), &area, kValueFormat);
}

std::string TextItem::ValueText() const { return VariantText(value_); }

void TextItem::GetValue(VARIANT& value) const {
    ::VariantClear(&value);
    ::VariantCopy(&value, const_cast<VARIANT*>(&value_));
}

bool TextItem::SetValue(const VARIANT& value) {
    VARIANT copy;
    ::VariantInit(&copy);
    if (FAILED(::VariantCopy(&copy, const_cast<VARIANT*>(&value)))) return false;
    ::VariantClear(&value_);
    value_ = copy;  // the copy's contents move over; nothing is left to clear
    return true;
}

// ---- CheckItem ----

CheckItem::CheckItem(const char* label) : OptionTreeItem(label) {}

void CheckItem::Attach(HWND tree, HTREEITEM node) {
    OptionTreeItem::Attach(tree, node);
    // A node inserted with its picture already needs no second message: a tree filled with
    // a list's entries spent a fifth of its time on them.
    TVITEMA shown{};
    shown.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    shown.hItem = node;
    const int image = StateImage();
    if (!::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&shown)) || shown.iImage != image ||
        shown.iSelectedImage != image)
        ShowState();
}

void CheckItem::SetEnabled(bool enabled) {
    OptionTreeItem::SetEnabled(enabled);
    ShowState();
}

void CheckItem::OnAction(ItemAction action) {
    if (!IsEnabled()) return;
    if (action != ItemAction::Click && action != ItemAction::DoubleClick && action != ItemAction::Space) return;
    VARIANT inverted;
    ::VariantInit(&inverted);
    inverted.vt = VT_BOOL;
    inverted.boolVal = checked_ ? VARIANT_FALSE : VARIANT_TRUE;
    RequestValueChange(inverted);
}

void CheckItem::GetValue(VARIANT& value) const {
    ::VariantClear(&value);
    value.vt = VT_BOOL;
    value.boolVal = checked_ ? VARIANT_TRUE : VARIANT_FALSE;
}

bool CheckItem::SetValue(const VARIANT& value) {
    if (value.vt != VT_BOOL) return false;
    checked_ = value.boolVal != VARIANT_FALSE;
    ShowState();
    return true;
}

int CheckItem::StateImage() const {
    return (checked_ ? kCheckImageChecked : kCheckImageUnchecked) + (IsEnabled() ? 0 : kCheckImageDisabled);
}

void CheckItem::ShowState() const {
    if (!Tree() || !Node()) return;
    const int image = StateImage();
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = Node();
    item.iImage = image;
    item.iSelectedImage = image;
    ::SendMessageA(Tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// ---- ChoiceItem ----

ChoiceItem::ChoiceItem(const char* label, std::vector<std::string> options)
    : OptionTreeItem(label), options_(std::move(options)) {}

void ChoiceItem::DrawValue(const ItemDrawContext& context) const {
    RECT area = context.area;
    area.left += 2;
    TextColorScope colour(context.hdc, context.greyed ? context.greyText : context.text);
    BkModeScope mode(context.hdc, TRANSPARENT);
    std::string shown = ValueText();
    ::DrawTextA(context.hdc, shown.c_str(), static_cast<int>(shown.size()), &area,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS);
}

HWND ChoiceItem::CreateEditor(HWND tree, const RECT& area, HFONT font) {
    editor_ = ChoiceEditor::Create(tree, area, font, options_, selected_);
    return editor_;
}

void ChoiceItem::OnAction(ItemAction action) {
    if (!IsEnabled()) return;
    if (action == ItemAction::DoubleClick) {
        if (options_.empty()) return;
        VARIANT next;
        ::VariantInit(&next);
        SetInt(next, static_cast<LONG>((static_cast<size_t>(selected_) + 1) % options_.size()));
        RequestValueChange(next);
    } else if (action == ItemAction::Space) {
        // An editor being closed is hidden first: only the open one may drop its list.
        if (editor_ && ::IsWindow(editor_) && ::IsWindowVisible(editor_))
            ::SendMessageA(editor_, ChoiceEditor::kDropDown, 0, 0);
    }
}

std::string ChoiceItem::ValueText() const {
    return static_cast<size_t>(selected_) < options_.size() ? options_[static_cast<size_t>(selected_)] : std::string();
}

void ChoiceItem::GetValue(VARIANT& value) const { SetInt(value, selected_); }

bool ChoiceItem::ReadValueFromEditor(HWND editor) {
    if (!editor || !::IsWindow(editor)) return false;
    return SelectText(WindowText(editor));
}

bool ChoiceItem::SetValue(const VARIANT& value) {
    if (value.vt == VT_BSTR) return SelectText(VariantText(value));
    VARIANT number;
    ::VariantInit(&number);
    if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I4))) return false;
    LONG index = number.lVal;
    // Out of range, below as well as beyond, falls back to the first option.
    selected_ = (index < 0 || static_cast<size_t>(index) >= options_.size()) ? 0 : static_cast<int>(index);
    return true;
}

bool ChoiceItem::SelectText(const std::string& text) {
    for (size_t i = 0; i < options_.size(); ++i) {
        if (options_[i] == text) {
            selected_ = static_cast<int>(i);
            return true;
        }
    }
    selected_ = 0;
    return false;
}
